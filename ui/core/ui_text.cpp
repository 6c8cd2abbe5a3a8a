#include "ui/core/ui_text.h"

#include "core/messages.h"

namespace vinra::ui {
namespace {

// The shell's own texts are messages 1030 and on, in the order of UiText.
constexpr int kFirstUiTextMessage = 1030;

int MessageOf(UiText id) { return kFirstUiTextMessage + static_cast<int>(id); }

}  // namespace

QString TIn(int base, UiText id) { return QString::fromStdString(core::MsgIn(base, MessageOf(id))); }

QString T(UiText id) { return QString::fromStdString(core::Msg(MessageOf(id))); }

}  // namespace vinra::ui
