// How the dialogs of setup reach what they work with: the caller of DialogBoxParamW hands a
// context of the dialog's own as the creation parameter, the dialog procedure keeps it in the
// window's DWLP_USER slot at WM_INITDIALOG and fetches it from there for every later message.
#pragma once

#include "setup/common/win.h"

namespace ql {

// Shows dialog `resource` of `instance` modal, owned by `owner`, with `context` as its context;
// returns what EndDialog gave.
template <typename Context>
INT_PTR ShowDialogWith(HINSTANCE instance,
                       int resource,
                       HWND owner,
                       DLGPROC procedure,
                       Context& context) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner, procedure,
                         reinterpret_cast<LPARAM>(&context));
}

// The context of `dialog`, taken from the creation parameter at WM_INITDIALOG; nullptr for the
// messages that come before it.
template <typename Context>
Context* DialogContext(HWND dialog, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  return reinterpret_cast<Context*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The context of `dialog` outside its procedure, once it has been stored.
template <typename Context>
Context* DialogContext(HWND dialog) {
  return reinterpret_cast<Context*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace ql
