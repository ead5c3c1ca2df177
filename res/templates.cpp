#include "res/templates.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "res/resource_ids.h"

namespace res {
namespace {

using K = ControlKind;

constexpr std::array kMainControls{
    ControlTemplate{kIdCancel, K::PushButton, "Sortir", 0, 465, 310, 50, 14, 0x50010000, 0},
    ControlTemplate{kPicture, K::Static, "", kBitmapBanner, 0, 0, 525, 300, 0x5000020E, 0x00020000},
    ControlTemplate{kActiva, K::CheckBox, "Activa", 0, 257, 310, 50, 14, 0x50011003, 0},
    ControlTemplate{kStatus, K::Static, "", 0, 0, 308, 8, 16, 0x40020201, 0x00020000},
    ControlTemplate{kSolucio, K::PushButton, "Solució", 0, 310, 310, 47, 14, 0x50010000, 0},
    ControlTemplate{kIndicator, K::Static, "", kBitmapBlue, 441, 305, 21, 19, 0x4000030E, 0},
    ControlTemplate{kCaptura, K::PushButton, "Captura", 0, 377, 310, 48, 14, 0x50010000, 0},
    ControlTemplate{kBlankPicture, K::Static, "", 0, 0, 0, 525, 300, 0x5000020E, 0},
    ControlTemplate{kDretaEsquerra, K::RadioButton, "Dreta-esquerra", 0, 117, 304, 61, 10, 0x50024009, 0},
    ControlTemplate{kDetector, K::RadioButton, "Detector", 0, 117, 315, 46, 8, 0x50004009, 0},
    ControlTemplate{kInvertirVertical, K::CheckBox, "Invertir Vertical", 0, 182, 304, 62, 10, 0x50014003, 0},
    ControlTemplate{kInvertirHoritzontal, K::CheckBox, "Invertir Horitzontal", 0, 182, 315, 71, 8, 0x50014003, 0},
    ControlTemplate{kMida, K::Edit, "", 0, 79, 311, 27, 13, 0x50810080, 0},
    ControlTemplate{kNoId, K::Static, "Mida:", 0, 57, 313, 21, 11, 0x50020000, 0},
};

constexpr std::array kAboutControls{
    ControlTemplate{kNoId, K::Static, "", kAppIcon, 11, 17, 20, 20, 0x50000003, 0},
    ControlTemplate{kNoId, K::Static, "glimmo2 Versión 1.0", 0, 40, 10, 119, 8, 0x50020080, 0},
    ControlTemplate{kIdOk, K::PushButton, "Aceptar", 0, 178, 7, 50, 14, 0x50030001, 0},
};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate main{kMainDialog, "Tebiol", 525, 329, kMainControls};
  return main;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate about{kAboutDialog, "Acerca de glimmo2", 235, 55, kAboutControls};
  return about;
}

int MulDiv(int number, int numerator, int denominator) {
  // Rounds half away from zero, on a 64-bit product.
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int>(rounded);
}

namespace {
constexpr int kBaseUnitX = 6, kBaseUnitY = 13;  // the dialog font's base units, px

// At the standard size the template's own integer arithmetic; scaled, the nearest pixel.
int UnitsToPixels(int units, int baseUnit, int unitsPerBase, double scale) {
  return scale == 1.0 ? MulDiv(units, baseUnit, unitsPerBase)
                      : static_cast<int>(std::lround(units * baseUnit * scale / unitsPerBase));
}
}  // namespace

int DialogUnitsToPixelsX(int units, double scale) { return UnitsToPixels(units, kBaseUnitX, 4, scale); }
int DialogUnitsToPixelsY(int units, double scale) { return UnitsToPixels(units, kBaseUnitY, 8, scale); }

}  // namespace res
