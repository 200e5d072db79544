// Finding top-level client windows and reading their properties. Every call tolerates windows that
// vanish while they are looked at.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia::x11 {

// Whether the window (which may be gone by now) has the class.
bool HasWindowClass(Display* display, Window window, std::string_view window_class);
// Walks the whole window tree: client windows inside window-manager frames, unmapped ones too.
std::optional<Window> FindClientWindowByClass(Display* display, std::string_view window_class);
std::optional<Window> FindClientWindowByTitle(Display* display, std::string_view title);
std::vector<Window> FindClientWindowsByClass(Display* display, std::string_view window_class);

// The client window (the one carrying WM_STATE) at or below `top`, a window manager's frame or a
// client itself; nullopt when there is none.
std::optional<Window> ClientWindowIn(Display* display, Window top);

// The 32-bit items of a property (atoms, windows, numbers); empty when it is absent.
std::vector<unsigned long> PropertyItems(Display* display, Window window, const char* property, Atom type);
// The bytes of an 8-bit property; empty when it is absent.
std::string PropertyText(Display* display, Window window, const char* property, Atom type);
std::string WindowTitle(Display* display, Window window);  // _NET_WM_NAME

// Sets the class part of WM_CLASS (and the instance name) on a window before it is mapped.
void SetWindowClass(Display* display, Window window, const std::string& res_name, const std::string& res_class);

// Every dock window of the display (the task bar): hiding unmaps them, showing maps them again.
void SetDockWindowsMapped(Display* display, bool mapped);

}  // namespace panelia::x11
