#include "ui/message_map.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <array>

#include "res/resource_ids.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"

namespace ui {
namespace {

using D = CGlimmo2Dlg;
using A = MessageArgs;

constexpr std::array kRoutes{
    MessageRoute{Message::SysCommand, res::kNoId, [](D& d, const A& a) { d.OnSysCommand(a.id, a.param); }},
    MessageRoute{Message::Clicked, res::kActiva, [](D& d, const A&) { d.OnActivaClicked(); }},
    MessageRoute{Message::Clicked, res::kSolucio, [](D& d, const A&) { d.RevealPicture(); }},
    MessageRoute{Message::Clicked, res::kCaptura, [](D& d, const A&) { d.OnCapturaClicked(); }},
    MessageRoute{Message::Timer, res::kNoId, [](D& d, const A& a) { d.OnTimer(a.id); }},
    MessageRoute{Message::Clicked, res::kDretaEsquerra, [](D& d, const A&) { d.OnOptionClicked(); }},
    MessageRoute{Message::Clicked, res::kDetector, [](D& d, const A&) { d.OnOptionClicked(); }},
    MessageRoute{Message::Clicked, res::kInvertirVertical, [](D& d, const A&) { d.OnOptionClicked(); }},
    MessageRoute{Message::Clicked, res::kInvertirHoritzontal, [](D& d, const A&) { d.OnOptionClicked(); }},
    MessageRoute{Message::TextChanged, res::kMida, [](D& d, const A&) { d.OnMidaChanged(); }},
};

}  // namespace

void ConnectControlRoutes(CGlimmo2Dlg& dialog) {
  for (const MessageRoute& route : kRoutes) {
    QWidget* control = route.controlId == res::kNoId ? nullptr : FindControl(dialog, route.controlId);
    const auto call = [&dialog, handler = route.handler] { handler(dialog, {}); };
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && route.message == Message::Clicked)
      QObject::connect(button, &QAbstractButton::clicked, &dialog, call);
    else if (auto* edit = qobject_cast<QLineEdit*>(control); edit && route.message == Message::TextChanged)
      QObject::connect(edit, &QLineEdit::textChanged, &dialog, call);
  }
}

bool Dispatch(CGlimmo2Dlg& dialog, Message message, const MessageArgs& args) {
  for (const MessageRoute& route : kRoutes) {
    if (route.message == message && route.controlId == res::kNoId) {
      route.handler(dialog, args);
      return true;
    }
  }
  return false;
}

}  // namespace ui
