// Which pointer events the pad reports. Qt grabs the pointer for any held button; the pad
// wants only a left press to capture it: moves and releases then reach the pad wherever the
// pointer is and no leave is reported until the release. While another button holds Qt's
// grab, the pad hears of the pointer only over itself and learns of leaving and coming back.
#pragma once

namespace pad {

class PointerCapture {
 public:
  enum class Crossing { None, Enter, Leave };
  /// What to report for one event: a crossing, then the event itself, then a crossing.
  struct Reply {
    Crossing before = Crossing::None;
    bool deliver = false;
    Crossing after = Crossing::None;
  };

  /// Qt reports that the pointer entered the pad.
  Reply enter();
  /// Qt reports that the pointer left the pad.
  Reply leave();
  /// A move; inside: the position lies on the pad.
  Reply move(bool inside);
  /// A press (or double click) of a button; left: it is the left button.
  Reply press(bool left, bool inside);
  /// A release of a button.
  Reply release(bool left, bool inside);
  /// A modal dialog took the window's pointer: a capture ends (its release goes to the dialog)
  /// and the pad counts as left until the pointer comes back.
  Reply cancel();

 private:
  Reply onPad(bool inside);

  bool inside_ = false;    ///< what the pad was told last: entered, or left
  bool captured_ = false;  ///< a left press on the pad holds the pointer
};

}  // namespace pad
