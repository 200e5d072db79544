// A test-only GTK module: touch-screen fingers for a program that has none (Xvfb makes no touch
// events). Loaded with GTK_MODULES=<this library>; it reads gestures, one a line, from the pipe named
// in PANELIA_TOUCH_FIFO and hands each finger's GdkEventTouch sequence to GTK as a touch screen would,
// so the toolkit and the engine take their real touch paths. The program itself carries no test hook.
//
//   tap X Y                      one finger, down and up
//   press X Y MS                 one finger held MS milliseconds (a long press)
//   drag X1 Y1 X2 Y2 MS          one finger moved in 16-ms steps over MS milliseconds, then lifted
//   pinch CX CY D1 D2 MS         two fingers on a level line through (CX, CY), D1 apart, moved to D2
//
// Only the program named in PANELIA_TOUCH_PROGRAM ("panelia" when unset) reads the pipe.
// X and Y are screen (root) coordinates. When a gesture is over, "done N START MOVE" is appended to
// the file named in PANELIA_TOUCH_LOG: N counts gestures from 1, START and MOVE are the wall-clock
// times (microseconds) its first event and its first move were handed over.
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr guint kStepMs = 16;

struct Finger {
  double x1, y1, x2, y2;
};

// One gesture in progress: its fingers go from their first to their last point over `steps` steps.
struct Gesture {
  int number = 0;
  std::vector<Finger> fingers;
  int steps = 1;
  int step = 0;
  guint hold_ms = 0;  // between the touch and the first move (a long press)
  gint64 started_us = 0;
  gint64 moved_us = 0;          // the first move (drags, pinches)
  GdkWindow* target = nullptr;  // where the fingers came down: a touch stays with its window
};

GdkDevice* touch_device = nullptr;
std::string log_path;
int gestures = 0;
int busy = 0;  // gestures still under way; the next line waits for none (the test paces them)

GdkDevice* TouchScreen() {
  if (touch_device) return touch_device;
  GdkDisplay* display = gdk_display_get_default();
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GdkDeviceManager* manager = gdk_display_get_device_manager(display);
  G_GNUC_END_IGNORE_DEPRECATIONS
  touch_device = GDK_DEVICE(g_object_new(GDK_TYPE_X11_DEVICE_XI2, "name", "panelia test touch screen", "type",
                                         GDK_DEVICE_TYPE_SLAVE, "input-source", GDK_SOURCE_TOUCHSCREEN, "input-mode",
                                         GDK_MODE_SCREEN, "has-cursor", FALSE, "display", display, "device-manager",
                                         manager, "device-id", 4242, nullptr));
  return touch_device;
}

bool Contains(GdkWindow* w, int root_x, int root_y) {
  if (!gdk_window_is_visible(w) || gdk_window_get_window_type(w) == GDK_WINDOW_FOREIGN) return false;
  int ox = 0, oy = 0;
  gdk_window_get_origin(w, &ox, &oy);
  int width = gdk_window_get_width(w), height = gdk_window_get_height(w);
  return root_x >= ox && root_y >= oy && root_x < ox + width && root_y < oy + height;
}

// The deepest window of this program at a point of the screen: the topmost of its top-levels there,
// then the topmost child all the way down (a web view has a window of its own).
GdkWindow* WindowAt(int root_x, int root_y) {
  GdkWindow* found = nullptr;
  GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());  // bottom to top
  for (GList* l = stack; l; l = l->next) {
    auto* w = GDK_WINDOW(l->data);
    gpointer widget = nullptr;
    gdk_window_get_user_data(w, &widget);
    if (widget && Contains(w, root_x, root_y)) found = w;
  }
  g_list_free_full(stack, g_object_unref);
  if (!found) {
    // Without a window manager there is no stack: any top-level of ours there.
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next) {
      GdkWindow* w = gtk_widget_get_window(GTK_WIDGET(l->data));
      if (w && Contains(w, root_x, root_y)) found = w;
    }
    g_list_free(tops);
  }
  while (found) {
    GdkWindow* deeper = nullptr;
    for (GList* l = gdk_window_peek_children(found); l && !deeper; l = l->next) {  // topmost first
      auto* child = GDK_WINDOW(l->data);
      gpointer widget = nullptr;
      gdk_window_get_user_data(child, &widget);
      if (widget && gdk_window_get_window_type(child) != GDK_WINDOW_FOREIGN && Contains(child, root_x, root_y))
        deeper = child;
    }
    if (!deeper) break;
    found = deeper;
  }
  return found;
}

void Send(GdkEventType type, GdkWindow* window, int finger, double root_x, double root_y, bool first) {
  if (!window) return;
  int ox = 0, oy = 0;
  gdk_window_get_origin(window, &ox, &oy);
  GdkEvent* event = gdk_event_new(type);
  event->touch.window = GDK_WINDOW(g_object_ref(window));
  event->touch.send_event = FALSE;
  event->touch.time = static_cast<guint32>(g_get_monotonic_time() / 1000);
  event->touch.x = root_x - ox;
  event->touch.y = root_y - oy;
  event->touch.x_root = root_x;
  event->touch.y_root = root_y;
  event->touch.sequence = reinterpret_cast<GdkEventSequence*>(static_cast<gintptr>(finger + 1));
  event->touch.emulating_pointer = first ? TRUE : FALSE;
  gdk_event_set_device(event, TouchScreen());
  gdk_event_set_source_device(event, TouchScreen());
  gtk_main_do_event(event);
  gdk_event_free(event);
}

void Done(const Gesture& g) {
  --busy;
  if (FILE* f = std::fopen(log_path.c_str(), "a")) {
    std::fprintf(f, "done %d %lld %lld\n", g.number, static_cast<long long>(g.started_us),
                 static_cast<long long>(g.moved_us));
    std::fclose(f);
  }
}

gboolean Step(gpointer data) {
  auto* g = static_cast<Gesture*>(data);
  if (++g->step == 1) g->moved_us = g_get_real_time();
  double t = std::min(1.0, static_cast<double>(g->step) / g->steps);
  for (size_t i = 0; i < g->fingers.size(); ++i) {
    const Finger& f = g->fingers[i];
    double x = f.x1 + (f.x2 - f.x1) * t, y = f.y1 + (f.y2 - f.y1) * t;
    Send(g->step >= g->steps ? GDK_TOUCH_END : GDK_TOUCH_UPDATE, g->target, static_cast<int>(i), x, y, i == 0);
  }
  if (g->step < g->steps) return G_SOURCE_CONTINUE;
  Done(*g);
  delete g;
  return G_SOURCE_REMOVE;
}

gboolean AfterHold(gpointer data) {
  g_timeout_add(kStepMs, Step, data);
  return G_SOURCE_REMOVE;
}

void Start(Gesture* g) {
  ++busy;
  g->number = ++gestures;
  const Finger& first = g->fingers.front();
  g->target = WindowAt(static_cast<int>(first.x1), static_cast<int>(first.y1));
  g->started_us = g_get_real_time();
  for (size_t i = 0; i < g->fingers.size(); ++i)
    Send(GDK_TOUCH_BEGIN, g->target, static_cast<int>(i), g->fingers[i].x1, g->fingers[i].y1, i == 0);
  if (g->hold_ms)
    g_timeout_add(g->hold_ms, AfterHold, g);
  else
    g_timeout_add(kStepMs, Step, g);
}

void Run(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  auto* g = new Gesture;
  double x = 0, y = 0, x2 = 0, y2 = 0, a = 0, b = 0, ms = 0;
  if (verb == "tap" && in >> x >> y) {
    g->fingers = {{x, y, x, y}};
    g->steps = 3;  // about 50 ms on the glass
  } else if (verb == "press" && in >> x >> y >> ms) {
    g->fingers = {{x, y, x, y}};
    g->hold_ms = static_cast<guint>(ms);
  } else if (verb == "drag" && in >> x >> y >> x2 >> y2 >> ms) {
    g->fingers = {{x, y, x2, y2}};
    g->steps = std::max(1, static_cast<int>(ms / kStepMs));
  } else if (verb == "pinch" && in >> x >> y >> a >> b >> ms) {
    g->fingers = {{x - a / 2, y, x - b / 2, y}, {x + a / 2, y, x + b / 2, y}};
    g->steps = std::max(1, static_cast<int>(ms / kStepMs));
  } else {
    std::fprintf(stderr, "touch module: not a gesture: %s\n", line.c_str());
    delete g;
    return;
  }
  Start(g);
}

gboolean OnLine(GIOChannel* channel, GIOCondition, gpointer) {
  gchar* line = nullptr;
  gsize length = 0;
  while (g_io_channel_read_line(channel, &line, &length, nullptr, nullptr) == G_IO_STATUS_NORMAL && line) {
    std::string text(line, length);
    g_free(line);
    line = nullptr;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty()) Run(text);
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

extern "C" G_MODULE_EXPORT void gtk_module_init(gint*, gchar***) {
  const char* fifo = std::getenv("PANELIA_TOUCH_FIFO");
  const char* log = std::getenv("PANELIA_TOUCH_LOG");
  if (!fifo || !log) return;
  // The programs the kiosk starts inherit its environment: only the one named takes the fingers.
  const char* program = std::getenv("PANELIA_TOUCH_PROGRAM");
  if (g_strcmp0(g_get_prgname(), program ? program : "panelia") != 0) return;
  log_path = log;
  // Read and write: the pipe stays open between the test's writes, with no end of file in between.
  int fd = open(fifo, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "touch module: cannot open %s\n", fifo);
    return;
  }
  GIOChannel* channel = g_io_channel_unix_new(fd);
  g_io_channel_set_close_on_unref(channel, TRUE);
  g_io_channel_set_encoding(channel, nullptr, nullptr);
  g_io_add_watch(channel, G_IO_IN, OnLine, nullptr);
}
