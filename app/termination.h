#pragma once

class CGlimmo2Dlg;

// Ctrl+C and kill close the game the way "Sortir" does, whatever is open over the
// window (a message box, the About box, a menu): the stop steps run and the modal
// run ends.
void CloseOnTerminationSignals(CGlimmo2Dlg& dialog);
