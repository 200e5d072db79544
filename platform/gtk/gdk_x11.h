// Where GTK meets X11: GDK's display for the X11 adapters, GDK's error trap for them, window
// classes, the monitor, and the suite's messages arriving at a GTK window.
#pragma once

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/monitors.h"
#include "platform/x11/message_receiver.h"

namespace panelia {

// GDK's X connection (nullptr without an X11 display).
Display* GdkXDisplay();
// Makes GDK's trap the X11 adapters' trap for GDK's own connection. Once, after gtk_init.
void UseGdkErrorTrap();

// The primary monitor's area (a 1024 x 768 guess before there is a display to ask).
// The monitor the kiosk covers, as the Monitor setting names it (each program tells it once, at
// start): the primary one unless the setting names another. Looked up afresh at every question, as
// monitors come and go.
void UseKioskMonitor(std::string wanted);
std::vector<MonitorInfo> Monitors();
GdkRectangle KioskMonitorArea();
// Full screen on the kiosk's monitor: put there, then full screen (the window manager covers the
// monitor that holds the window; without one the window covers it itself).
void FullScreenOnKioskMonitor(GtkWindow* window);
// The monitor that holds the window, or the primary one.
GdkRectangle MonitorAreaOf(GtkWidget* widget);

// Gives a top-level window its class (the class part of WM_CLASS) before it is first shown, so
// partner programs find it by that name.
void SetWindowClass(GtkWidget* toplevel, const char* res_name, const char* res_class);
// A text (UTF-8) in a property of a shown top-level window, where other programs of the suite read
// it; nothing before the window is shown.
void SetWindowText(GtkWidget* toplevel, std::string_view property, const std::string& text);

// The first showing of a program's main window, as the show command in PANELIA_SHOW asks: 2, 6 and
// 7 show it minimised (7 without taking the focus), anything else shows it normally.
void ShowForTheFirstTime(GtkWindow* window);

// Hands the ClientMessages arriving at a realised window's X window to `receiver` for as long as the
// returned object lives.
class MessageFilter {
 public:
  MessageFilter(GtkWidget* toplevel, x11::MessageReceiver& receiver);
  ~MessageFilter();
  MessageFilter(const MessageFilter&) = delete;
  MessageFilter& operator=(const MessageFilter&) = delete;

 private:
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  GdkWindow* window_;
  x11::MessageReceiver& receiver_;
};

}  // namespace panelia
