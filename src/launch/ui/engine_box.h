#pragma once
// The "Engine:" choice of the launch and server dialogs: the stored engine and the engine
// profiles, an engine whose program is not there offered greyed with the reason.

#include <cstdint>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vorlix {

class TEngine_Selection;

// Fills the box with the selection's options and shows its choice; signals are blocked meanwhile.
void Fill_Engine_Box(QComboBox& box, const TEngine_Selection& selection);
// Makes the user's choice in the box the selection's (an option that cannot be picked puts the
// box back), then calls `changed`.
void Connect_Engine_Box(QComboBox& box, TEngine_Selection& selection,
                        std::function<void()> changed);
// Shows the selection's choice without signals.
void Show_Engine_Choice(QComboBox& box, const TEngine_Selection& selection);

// The button that offers the com_hunkMegs a map wants (`megs`, 0 for none) for this launch: shown
// with the words while there is an offer, or greyed naming what was added.
void Show_Hunk_Offer(QPushButton& button, std::uint32_t megs, const TEngine_Selection& selection);

// The hidden red label in which the dialogs of a start tell their warnings and refusals, as plain
// text wrapped.
QLabel* New_Warning_Label(QWidget* parent, const char* name);

}  // namespace vorlix
