#pragma once
// Numeric ids of the dialogs, controls, bitmaps, icon and strings.
namespace res {
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kAboutMenuString = 101;
inline constexpr int kAppIcon = 128;

inline constexpr int kBitmapBlue = 133;
inline constexpr int kBitmapLightBlue = 134;
inline constexpr int kBitmapOrange = 136;
inline constexpr int kBitmapRed = 137;
inline constexpr int kBitmapGreen = 138;
inline constexpr int kBitmapBanner = 140;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kPicture = 1000;
inline constexpr int kActiva = 1001;
inline constexpr int kStatus = 1002;
inline constexpr int kSolucio = 1003;
inline constexpr int kIndicator = 1004;
inline constexpr int kCaptura = 1006;
inline constexpr int kBlankPicture = 1008;
inline constexpr int kDretaEsquerra = 1009;
inline constexpr int kDetector = 1010;
inline constexpr int kInvertirVertical = 1011;
inline constexpr int kInvertirHoritzontal = 1012;
inline constexpr int kMida = 1013;
inline constexpr int kNoId = -1;

inline constexpr int kAboutCommand = 16;
}  // namespace res
