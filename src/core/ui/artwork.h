#pragma once
// The program's bitmaps from the Qt resources: image strips cut into equal squares, with
// magenta (255, 0, 255) as the transparent colour.

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

namespace vorlix::ui {

// Makes the program's Qt resources available (safe to call more than once).
void Ressourcen_laden();

// The picture with every magenta pixel made transparent.
QPixmap Mit_Transparenz(const QImage& image);

// The images of a strip, left to right, each `size` x `size` pixels ("TOOLBAR": 25, "BAUM": 16).
// Empty when the resource cannot be read.
QList<QPixmap> Bilder_aus_Streifen(const QString& resource, int size);

// The pictures of the two printing commands, which the strip has no room for: a printer, and for
// the setup a printer with a small gear wheel. 25 x 25 pixels.
QPixmap Drucker_Bild(bool einrichten);

// Resource names.
inline const QString Toolbar_Resource = QStringLiteral(":/TOOLBAR.bmp");
inline const QString Baum_Resource = QStringLiteral(":/BAUM.bmp");
inline const QString Logo_Resource = QStringLiteral(":/logo.png");

// Positions of the pictures in the "TOOLBAR" strip.
enum Toolbar_Bild {
  Bild_Gruppe_erstellen = 0,        // Create Group
  Bild_Loeschen = 1,                // Delete
  Bild_Map_Eigenschaften = 2,       // Map Properties
  Bild_Map_starten = 3,             // Launch Map
  Bild_Arena_File_erstellen = 4,    // Create Arena File
  Bild_Arena_File_aktivieren = 5,   // Activate Arena File
  Bild_Arena_File_entfernen = 6,    // Remove Arena File
  Bild_Arena_File_importieren = 7,  // Import Arena File
  Bild_Info = 8,                    // Info
};

// Positions of the pictures in the "BAUM" strip.
enum Baum_Bild { Bild_Gruppe = 0, Bild_Map = 1 };

}  // namespace vorlix::ui
