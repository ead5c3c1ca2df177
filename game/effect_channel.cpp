#include "game/effect_channel.h"

#include "game/queued_view.h"

namespace game {

std::unique_ptr<TrackingView> EffectChannel::Open() {
  Close();
  auto state = std::make_shared<State>();
  state->paused = paused_;
  state_ = state;
  return std::make_unique<QueuedView>([target = &target_, deliver = deliver_, state](QueuedView::Effect effect) {
    deliver([target, state, effect = std::move(effect)] {
      if (!state->open) return;
      if (state->paused) return state->held.push_back(effect);
      effect(*target);
    });
  });
}

void EffectChannel::Close() {
  if (!state_) return;
  state_->open = false;
  state_->held.clear();
}

void EffectChannel::Pause() {
  paused_ = true;
  if (state_) state_->paused = true;
}

void EffectChannel::Resume() {
  paused_ = false;
  if (!state_) return;
  state_->paused = false;
  std::vector<std::function<void(TrackingView&)>> held = std::move(state_->held);
  state_->held.clear();
  if (state_->open)
    for (const auto& effect : held) effect(target_);
}

}  // namespace game
