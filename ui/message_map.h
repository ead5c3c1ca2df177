#pragma once

class CGlimmo2Dlg;

// The main dialog's message routing: one table, first matching entry handles.
namespace ui {

enum class Message { SysCommand, Clicked, Timer, TextChanged };

struct MessageArgs {
  int id = 0;
  int param = 0;
};

struct MessageRoute {
  Message message;
  int controlId;  // the source control; res::kNoId for the window's own messages
  void (*handler)(CGlimmo2Dlg&, const MessageArgs&);
};

// Connects every control entry of the table to its control's signal.
void ConnectControlRoutes(CGlimmo2Dlg& dialog);

// Hands a window message to the first entry that takes it; false when none does.
bool Dispatch(CGlimmo2Dlg& dialog, Message message, const MessageArgs& args = {});

}  // namespace ui
