#pragma once
// A modal message box with no owner, as every page of the window shows it.
#include "app/MainView.h"

#include <string>

kq::MessageAnswer ShowMessageBox(const std::string& text, kq::MessageButtons buttons, kq::MessageIcon icon);
