#include "platform/gtk/keyboard_accessible.h"

#include <gtk/gtk-a11y.h>

#include <memory>

// GObject's type macros are C: their casts are the toolkit's own.
#pragma GCC diagnostic ignored "-Wold-style-cast"

namespace panelia {
namespace {

using KeysSource = std::function<std::vector<AccessibleKey>()>;
constexpr const char* kSourceKey = "panelia-keyboard-keys";

// One key: a push button with its name and its place.
struct KeyAccessible {
  AtkObject parent;
  GdkRectangle area;
  GtkWidget* widget;
};
struct KeyAccessibleClass {
  AtkObjectClass parent_class;
};

void KeyExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
  auto* key = reinterpret_cast<KeyAccessible*>(component);
  *x = *y = *width = *height = 0;
  GdkWindow* window = key->widget ? gtk_widget_get_window(key->widget) : nullptr;
  if (!window) return;
  int wx = 0, wy = 0;
  if (coords == ATK_XY_SCREEN) {
    gdk_window_get_origin(window, &wx, &wy);
  } else {
    GtkAllocation allocation;
    gtk_widget_get_allocation(key->widget, &allocation);
    wx = allocation.x;
    wy = allocation.y;
  }
  *x = wx + key->area.x;
  *y = wy + key->area.y;
  *width = key->area.width;
  *height = key->area.height;
}

void KeyComponentInit(gpointer iface, gpointer) {
  static_cast<AtkComponentIface*>(iface)->get_extents = KeyExtents;
}

AtkStateSet* KeyStates(AtkObject*) {
  AtkStateSet* states = atk_state_set_new();
  for (AtkStateType state : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE, ATK_STATE_SHOWING})
    atk_state_set_add_state(states, state);
  return states;
}

void KeyClassInit(gpointer klass, gpointer) {
  ATK_OBJECT_CLASS(klass)->ref_state_set = KeyStates;
}

GType KeyAccessibleType() {
  static GType type = [] {
    GType t = g_type_register_static_simple(ATK_TYPE_OBJECT, "PaneliaKeyAccessible", sizeof(KeyAccessibleClass),
                                            KeyClassInit, sizeof(KeyAccessible), nullptr, GTypeFlags(0));
    const GInterfaceInfo component = {KeyComponentInit, nullptr, nullptr};
    g_type_add_interface_static(t, ATK_TYPE_COMPONENT, &component);
    return t;
  }();
  return type;
}

// The drawing area's accessible: its children are the keys.
struct BoardAccessible {
  GtkWidgetAccessible parent;
  std::vector<AtkObject*>* keys;
};
struct BoardAccessibleClass {
  GtkWidgetAccessibleClass parent_class;
};

GType BoardAccessibleType();
GObjectClass* board_parent_class = nullptr;

void DropKeys(BoardAccessible* board) {
  if (!board->keys) return;
  for (AtkObject* key : *board->keys) g_object_unref(key);
  delete board->keys;
  board->keys = nullptr;
}

std::vector<AtkObject*>& KeysOf(AtkObject* object) {
  auto* board = reinterpret_cast<BoardAccessible*>(object);
  if (board->keys) return *board->keys;
  board->keys = new std::vector<AtkObject*>();
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
  auto* source = widget ? static_cast<KeysSource*>(g_object_get_data(G_OBJECT(widget), kSourceKey)) : nullptr;
  if (!source) return *board->keys;
  for (const AccessibleKey& k : (*source)()) {
    auto* key = reinterpret_cast<KeyAccessible*>(g_object_new(KeyAccessibleType(), nullptr));
    key->area = k.area;
    key->widget = widget;
    AtkObject* atk = &key->parent;
    atk_object_set_role(atk, ATK_ROLE_PUSH_BUTTON);
    atk_object_set_name(atk, k.name.c_str());
    atk_object_set_parent(atk, object);
    board->keys->push_back(atk);
  }
  return *board->keys;
}

gint BoardChildren(AtkObject* object) {
  return static_cast<gint>(KeysOf(object).size());
}

AtkObject* BoardChild(AtkObject* object, gint i) {
  auto& keys = KeysOf(object);
  if (i < 0 || static_cast<size_t>(i) >= keys.size()) return nullptr;
  return ATK_OBJECT(g_object_ref(keys[static_cast<size_t>(i)]));
}

void BoardFinalize(GObject* object) {
  DropKeys(reinterpret_cast<BoardAccessible*>(object));
  board_parent_class->finalize(object);
}

void BoardClassInit(gpointer klass, gpointer) {
  board_parent_class = G_OBJECT_CLASS(g_type_class_peek_parent(klass));
  G_OBJECT_CLASS(klass)->finalize = BoardFinalize;
  ATK_OBJECT_CLASS(klass)->get_n_children = BoardChildren;
  ATK_OBJECT_CLASS(klass)->ref_child = BoardChild;
}

GType BoardAccessibleType() {
  static GType type =
      g_type_register_static_simple(GTK_TYPE_WIDGET_ACCESSIBLE, "PaneliaBoardAccessible", sizeof(BoardAccessibleClass),
                                    BoardClassInit, sizeof(BoardAccessible), nullptr, GTypeFlags(0));
  return type;
}

// The drawing area itself, only so that its accessible is the board's.
struct Board {
  GtkDrawingArea parent;
};
struct BoardClass {
  GtkDrawingAreaClass parent_class;
};

void AreaClassInit(gpointer klass, gpointer) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), BoardAccessibleType());
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), ATK_ROLE_PANEL);
}

GType BoardType() {
  static GType type = g_type_register_static_simple(GTK_TYPE_DRAWING_AREA, "PaneliaKeyboardArea", sizeof(BoardClass),
                                                    AreaClassInit, sizeof(Board), nullptr, GTypeFlags(0));
  return type;
}

}  // namespace

GtkWidget* NewKeyboardArea(std::function<std::vector<AccessibleKey>()> keys) {
  GtkWidget* area = GTK_WIDGET(g_object_new(BoardType(), nullptr));
  g_object_set_data_full(G_OBJECT(area), kSourceKey, new KeysSource(std::move(keys)),
                         [](gpointer source) { delete static_cast<KeysSource*>(source); });
  return area;
}

void KeysChanged(GtkWidget* area) {
  // Only an accessible already made has keys to forget; none is made for the question.
  AtkObject* object = gtk_widget_get_accessible(area);
  if (object && G_TYPE_CHECK_INSTANCE_TYPE(object, BoardAccessibleType())) {
    DropKeys(reinterpret_cast<BoardAccessible*>(object));
    g_signal_emit_by_name(object, "children-changed::add", 0, nullptr);
  }
}

}  // namespace panelia
