// What the identifier check must reject (an identifier with German words) and leave alone (the
// same words in a text and in this comment: Lade Datei).
int Lade_Datei(int count);
const char* const Loaded_Text = "Lade Datei";
