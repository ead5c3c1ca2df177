#include "game/effect_channel.h"

#include "game/queued_view.h"

namespace game {

std::unique_ptr<TrackingView> EffectChannel::Open() {
  Close();
  auto open = std::make_shared<std::atomic<bool>>(true);
  open_ = open;
  return std::make_unique<QueuedView>([target = &target_, deliver = deliver_, open](QueuedView::Effect effect) {
    deliver([target, open, effect = std::move(effect)] {
      if (*open) effect(*target);
    });
  });
}

void EffectChannel::Close() {
  if (open_) *open_ = false;
}

}  // namespace game
