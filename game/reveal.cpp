#include "game/reveal.h"

namespace game {

int DrawRevealNumber(Clock& clock, Chance& chance) { return SeededDraw(clock, chance, kPictureCount); }

std::string PictureFileName(int n) { return "dibuix" + std::to_string(n) + ".bmp"; }

std::string EurekaFileName(int n) { return "eureka" + std::to_string(n) + ".wav"; }

PicturePlacement PlacePicture(std::int32_t targetX, std::int32_t targetY, std::int32_t w, std::int32_t h) {
  return {targetX - w / 2, targetY - h / 2};
}

}  // namespace game
