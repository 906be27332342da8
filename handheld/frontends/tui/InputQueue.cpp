#include "frontends/tui/InputQueue.h"

#include "frontends/render/DisplayRenderer.h"

namespace p42r::frontends::tui {

void InputQueue::drain() {
  while (!pending_.empty() && !closed_) {
    if (loop_.hasPosted()) {
      loop_.postTask([self = std::weak_ptr<InputQueue*>(self_)] {
        if (auto alive = self.lock()) (*alive)->drain();
      });
      return;
    }
    const KeyEvent event = pending_.front();
    pending_.pop_front();
    route_(event);
  }
}

bool PersonConfirmsClose(platform::Display& display) {
  const std::u16string warning = display.closeWarning();
  if (warning.empty()) return true;
  // The screen's own words, then the question.
  const int answer = display.messageBox(warning + u"\r\n" + std::u16string(render::kCloseAnyway),
                                        platform::MB_OKCANCEL | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2);
  return answer == platform::IDOK;
}

}  // namespace p42r::frontends::tui
