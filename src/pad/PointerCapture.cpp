#include "pad/PointerCapture.h"

namespace pad {

using Reply = PointerCapture::Reply;
using Crossing = PointerCapture::Crossing;

Reply PointerCapture::enter() {
  if (inside_) return {};
  inside_ = true;
  return {Crossing::Enter, false, Crossing::None};
}

Reply PointerCapture::leave() {
  if (!inside_ || captured_) return {};
  inside_ = false;
  return {Crossing::Leave, false, Crossing::None};
}

// Without capture the pad hears only of the pointer over itself.
Reply PointerCapture::onPad(bool inside) {
  if (!inside) {
    if (!inside_) return {};
    inside_ = false;
    return {Crossing::Leave, false, Crossing::None};
  }
  Reply reply{Crossing::None, true, Crossing::None};
  if (!inside_) reply.before = Crossing::Enter;
  inside_ = true;
  return reply;
}

Reply PointerCapture::move(bool inside) {
  if (captured_) return {Crossing::None, true, Crossing::None};
  return onPad(inside);
}

Reply PointerCapture::press(bool left, bool inside) {
  if (captured_) return {Crossing::None, true, Crossing::None};
  Reply reply = onPad(inside);
  if (reply.deliver && left) captured_ = true;
  return reply;
}

Reply PointerCapture::release(bool left, bool inside) {
  if (!captured_) return onPad(inside);
  Reply reply{Crossing::None, true, Crossing::None};
  if (!left) return reply;
  captured_ = false;
  // The capture ends away from the pad: the leave it held back is due now.
  if (!inside) {
    inside_ = false;
    reply.after = Crossing::Leave;
  }
  return reply;
}

Reply PointerCapture::cancel() {
  captured_ = false;
  if (!inside_) return {};
  inside_ = false;
  return {Crossing::Leave, false, Crossing::None};
}

}  // namespace pad
