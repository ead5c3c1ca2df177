#pragma once
#include <cstdint>
#include <string>

#include "game/ports.h"

// The hidden picture and the eureka sound that comes with it.
namespace game {

inline constexpr int kPictureCount = 5;

// Seeds with the clock's seconds and draws 0..4: within one second, the eureka
// sound and the picture get the same number.
int DrawRevealNumber(Clock& clock, Chance& chance);
std::string PictureFileName(int n);  // "dibuix%d.bmp"
std::string EurekaFileName(int n);   // "eureka%d.wav"

struct PicturePlacement {
  std::int32_t left, top;
};
// The picture's top-left corner so that it is centred on the target.
PicturePlacement PlacePicture(std::int32_t targetX, std::int32_t targetY, std::int32_t w, std::int32_t h);

}  // namespace game
