#pragma once

// Qt's own texts (standard buttons such as OK, the edit fields' context menu) in
// Catalan, whatever the desktop's language: the window speaks Catalan. The About box
// and its menu item keep their own Spanish words, which are not Qt's. False when the
// translations are not installed (Debian's qt6-translations-l10n).
bool SpeakCatalan();
