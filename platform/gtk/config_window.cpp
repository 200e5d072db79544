#include "platform/gtk/config_window.h"

#include "common/names.h"
#include "platform/gtk/gdk_x11.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "browse/page_lists.h"
#include "common/password.h"
#include "common/schedule.h"
#include "config/list_editor.h"
#include "platform/gtk/gobject_ptr.h"
#include "common/settings.h"
#include "common/text.h"
#include "config/try_address.h"
#include "platform/gtk/message_box.h"
#include "platform/store/password_keeper.h"
#include "common/texts.h"

namespace panelia {

namespace {

// The window's title in the operator's language; Panelia finds the window by it.
std::string Title() {
  return TrText(kOptionsWindowTitle);
}

bool FolderExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

GtkWidget* LeftLabel(const std::string& text) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

}  // namespace

GtkConfigWindow::GtkConfigWindow(RegistryStore& store, ConfigPaths paths, std::function<void()> closed)
    : store_(store), paths_(std::move(paths)), closed_(std::move(closed)), fields_(FormFields()) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), Title().c_str());
  GdkRectangle monitor = KioskMonitorArea();
  WindowSize size = ConfigWindowSize(monitor.width, monitor.height);
  gtk_window_set_default_size(GTK_WINDOW(window_), size.w, size.h);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                     static_cast<GtkConfigWindow*>(self)->closed_();
                     return TRUE;
                   }),
                   this);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(box), 8);
  gtk_container_add(GTK_CONTAINER(window_), box);
  notebook_ = gtk_notebook_new();
  gtk_notebook_set_scrollable(GTK_NOTEBOOK(notebook_), TRUE);
  gtk_box_pack_start(GTK_BOX(box), notebook_, TRUE, TRUE, 0);

  rows_.reserve(fields_.size());
  for (const FormField& field : fields_) rows_.push_back(Row{&field});
  // Pages in the table's order of sections.
  std::vector<Section> sections;
  for (const FormField& field : fields_)
    if (std::ranges::find(sections, field.info->section) == sections.end()) sections.push_back(field.info->section);
  // The values under the root key are the programs' own bookkeeping: their page comes last.
  std::ranges::stable_partition(sections, [](Section s) { return s != Section::Root; });
  for (Section section : sections)
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), MakePage(section),
                             gtk_label_new(std::string(PageTitle(section)).c_str()));
  gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), MakeListsPage(), gtk_label_new(Tr("Page lists")));
  gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), MakeTryPage(), gtk_label_new(Tr("Try an address")));

  std::vector<std::string> texts = LoadForm(store_, fields_);
  for (size_t i = 0; i < rows_.size(); ++i) {
    SetText(rows_[i], texts[i]);
    if (rows_[i].field->kind == FieldKind::Password) stored_password_ = texts[i];
  }

  status_ = LeftLabel(IsDemoPasswordInUse(stored_password_) ? TrText(kDemoPasswordWarning) : "");
  gtk_label_set_line_wrap(GTK_LABEL(status_), TRUE);
  gtk_box_pack_start(GTK_BOX(box), status_, FALSE, FALSE, 0);
  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(buttons), 6);
  GtkWidget* ok = gtk_button_new_with_mnemonic(Tr("_OK"));
  GtkWidget* cancel = gtk_button_new_with_mnemonic(Tr("_Cancel"));
  GtkWidget* apply = gtk_button_new_with_mnemonic(Tr("_Apply"));
  for (GtkWidget* b : {ok, cancel, apply}) gtk_container_add(GTK_CONTAINER(buttons), b);
  gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
  g_signal_connect_swapped(ok, "clicked", G_CALLBACK(+[](GtkConfigWindow* self) {
                             if (self->Save()) self->closed_();
                           }),
                           this);
  g_signal_connect_swapped(apply, "clicked", G_CALLBACK(+[](GtkConfigWindow* self) { self->Save(); }), this);
  g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(+[](GtkConfigWindow* self) { self->closed_(); }), this);
  gtk_widget_show_all(window_);
  // The home page address is what an operator changes most: the caret starts there.
  for (Row& row : rows_)
    if (row.field->info == &setting::SoftHomeUrl) gtk_widget_grab_focus(row.control);
}

GtkConfigWindow::~GtkConfigWindow() {
  if (window_) gtk_widget_destroy(window_);
}

GtkWidget* GtkConfigWindow::MakePage(Section section) {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 10);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 10);
  int line = 0;
  for (Row& row : rows_) {
    if (row.field->info->section != section) continue;
    // The setting as an operator knows it, with its stored name small beneath for those who script it.
    const std::string stored_name(row.field->info->name);
    GtkWidget* names = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* label = LeftLabel(row.field->label.empty() ? stored_name : std::string(row.field->label));
    GtkWidget* name = LeftLabel(stored_name);
    gtk_style_context_add_class(gtk_widget_get_style_context(name), "dim-label");
    PangoAttrList* small = pango_attr_list_new();
    pango_attr_list_insert(small, pango_attr_scale_new(PANGO_SCALE_SMALL));
    gtk_label_set_attributes(GTK_LABEL(name), small);
    pango_attr_list_unref(small);
    gtk_widget_set_tooltip_text(names, std::string(row.field->info->meaning).c_str());
    gtk_box_pack_start(GTK_BOX(names), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(names), name, FALSE, FALSE, 0);
    gtk_grid_attach(GTK_GRID(grid), names, 0, line, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), MakeControl(row), 1, line, 1, 1);
    GtkWidget* default_label = LeftLabel(Tr("Default: ") + DefaultShown(*row.field));
    gtk_grid_attach(GTK_GRID(grid), default_label, 2, line, 1, 1);
    if (row.field->kind != FieldKind::Password) {
      GtkWidget* reset = gtk_button_new_with_label(Tr("Restore the default"));
      g_object_set_data(G_OBJECT(reset), "row", &row);
      g_signal_connect(reset, "clicked", G_CALLBACK(+[](GtkButton* b, gpointer self) {
                         auto* target = static_cast<Row*>(g_object_get_data(G_OBJECT(b), "row"));
                         static_cast<GtkConfigWindow*>(self)->SetText(*target, DefaultText(*target->field));
                       }),
                       this);
      gtk_grid_attach(GTK_GRID(grid), reset, 3, line, 1, 1);
    }
    GtkWidget* meaning =
        LeftLabel(std::string(row.field->description.empty() ? row.field->info->meaning : row.field->description));
    gtk_label_set_line_wrap(GTK_LABEL(meaning), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(meaning), 70);
    gtk_style_context_add_class(gtk_widget_get_style_context(meaning), "dim-label");
    gtk_grid_attach(GTK_GRID(grid), meaning, 1, line + 1, 3, 1);
    line += 2;
  }
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_container_add(GTK_CONTAINER(scroller), grid);
  return scroller;
}

GtkWidget* GtkConfigWindow::MakeControl(Row& row) {
  const FormField& field = *row.field;
  switch (field.kind) {
    case FieldKind::Flag:
      row.control = gtk_switch_new();
      gtk_widget_set_halign(row.control, GTK_ALIGN_START);
      return row.control;
    case FieldKind::Number:
      row.control = gtk_spin_button_new_with_range(static_cast<double>(field.min), static_cast<double>(field.max), 1);
      gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(row.control), TRUE);
      return row.control;
    case FieldKind::Choice: {
      // A list of pictures where the choices are looks (the bar styles), of words otherwise.
      GtkListStore* model = gtk_list_store_new(3, G_TYPE_STRING, G_TYPE_STRING, GDK_TYPE_PIXBUF);
      bool pictures = false;
      for (const Choice& c : field.choices) {
        GdkPixbuf* picture = nullptr;
        if (!c.picture.empty())
          picture =
              gdk_pixbuf_new_from_file((paths_.module_directory + "res/" + std::string(c.picture)).c_str(), nullptr);
        pictures = pictures || picture;
        gtk_list_store_insert_with_values(model, nullptr, -1, 0, ChoiceId(c).c_str(), 1, std::string(c.label).c_str(),
                                          2, picture, -1);
        if (picture) g_object_unref(picture);
      }
      row.control = gtk_combo_box_new_with_model(GTK_TREE_MODEL(model));
      g_object_unref(model);
      gtk_combo_box_set_id_column(GTK_COMBO_BOX(row.control), 0);
      if (pictures) {
        GtkCellRenderer* image = gtk_cell_renderer_pixbuf_new();
        gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(row.control), image, FALSE);
        gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(row.control), image, "pixbuf", 2);
      }
      GtkCellRenderer* text = gtk_cell_renderer_text_new();
      gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(row.control), text, TRUE);
      gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(row.control), text, "text", 1);
      return row.control;
    }
    case FieldKind::Password: {
      GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
      row.control = gtk_entry_new();
      row.second = gtk_entry_new();
      for (GtkWidget* e : {row.control, row.second}) gtk_entry_set_visibility(GTK_ENTRY(e), FALSE);
      gtk_entry_set_placeholder_text(GTK_ENTRY(row.control), Tr("Exit password"));
      gtk_entry_set_placeholder_text(GTK_ENTRY(row.second), Tr("Type it again"));
      gtk_box_pack_start(GTK_BOX(box), row.control, FALSE, FALSE, 0);
      gtk_box_pack_start(GTK_BOX(box), row.second, FALSE, FALSE, 0);
      return box;
    }
    default: {
      GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
      row.control = gtk_entry_new();
      gtk_entry_set_width_chars(GTK_ENTRY(row.control), 40);
      if (field.kind == FieldKind::Time)
        gtk_entry_set_placeholder_text(GTK_ENTRY(row.control), Tr("for example 18:30"));
      if (field.kind == FieldKind::Address)
        gtk_entry_set_placeholder_text(GTK_ENTRY(row.control), Tr("for example file:///srv/kiosk/index.html"));
      gtk_box_pack_start(GTK_BOX(box), row.control, TRUE, TRUE, 0);
      // The bytes used against the limit, as the operator types.
      row.count = gtk_label_new("");
      gtk_box_pack_start(GTK_BOX(box), row.count, FALSE, FALSE, 0);
      g_signal_connect(row.control, "changed", G_CALLBACK(+[](GtkEditable* e, gpointer count) {
                         size_t bytes = std::string(gtk_entry_get_text(GTK_ENTRY(e))).size();
                         std::string text = std::to_string(bytes) + "/" + std::to_string(kMaxTextBytes);
                         gtk_label_set_text(GTK_LABEL(count), text.c_str());
                       }),
                       row.count);
      if (field.kind == FieldKind::Folder) {
        GtkWidget* browse = gtk_button_new_with_label(Tr("Browse..."));
        g_signal_connect(browse, "clicked", G_CALLBACK(+[](GtkButton* b, gpointer entry) {
                           GtkWidget* chooser = gtk_file_chooser_dialog_new(
                               Tr("Choose the song folder"), GTK_WINDOW(gtk_widget_get_toplevel(GTK_WIDGET(b))),
                               GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, Tr("Cancel"), GTK_RESPONSE_CANCEL, Tr("Choose"),
                               GTK_RESPONSE_ACCEPT, nullptr);
                           if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
                             gchar* folder = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
                             if (folder) gtk_entry_set_text(GTK_ENTRY(entry), folder);
                             g_free(folder);
                           }
                           gtk_widget_destroy(chooser);
                         }),
                         row.control);
        gtk_box_pack_start(GTK_BOX(box), browse, FALSE, FALSE, 0);
      }
      return box;
    }
  }
}

std::string GtkConfigWindow::TextOf(const Row& row) const {
  switch (row.field->kind) {
    case FieldKind::Flag: return gtk_switch_get_active(GTK_SWITCH(row.control)) ? "1" : "0";
    case FieldKind::Number:
      gtk_spin_button_update(GTK_SPIN_BUTTON(row.control));
      return std::to_string(static_cast<int64_t>(gtk_spin_button_get_value(GTK_SPIN_BUTTON(row.control))));
    case FieldKind::Choice: {
      const char* id = gtk_combo_box_get_active_id(GTK_COMBO_BOX(row.control));
      return id ? id : "";
    }
    default: return gtk_entry_get_text(GTK_ENTRY(row.control));
  }
}

void GtkConfigWindow::SetText(Row& row, const std::string& text) {
  switch (row.field->kind) {
    case FieldKind::Flag: gtk_switch_set_active(GTK_SWITCH(row.control), text != "0"); break;
    case FieldKind::Number: gtk_spin_button_set_value(GTK_SPIN_BUTTON(row.control), std::atof(text.c_str())); break;
    case FieldKind::Choice:
      // A stored value outside the list shows nothing chosen; it is kept unless the operator picks.
      if (!gtk_combo_box_set_active_id(GTK_COMBO_BOX(row.control), text.c_str()))
        gtk_combo_box_set_active(GTK_COMBO_BOX(row.control), -1);
      g_object_set_data_full(G_OBJECT(row.control), "stored", g_strdup(text.c_str()), g_free);
      break;
    case FieldKind::Password:
      gtk_entry_set_text(GTK_ENTRY(row.control), text.c_str());
      gtk_entry_set_text(GTK_ENTRY(row.second), text.c_str());
      break;
    default: gtk_entry_set_text(GTK_ENTRY(row.control), text.c_str()); break;
  }
}

void GtkConfigWindow::Message(const std::string& text, GtkMessageType type) {
  ShowMessageBox(GTK_WINDOW(window_), text, Title(), type, GTK_BUTTONS_OK);
}

bool GtkConfigWindow::Save() {
  std::vector<RegValue> values;
  std::string warnings;
  for (Row& row : rows_) {
    std::string text = TextOf(row);
    std::string stored = row.field->kind == FieldKind::Password ? stored_password_ : "";
    if (row.field->kind == FieldKind::Choice)
      if (const char* s = static_cast<const char*>(g_object_get_data(G_OBJECT(row.control), "stored"))) stored = s;
    std::string again = row.field->kind == FieldKind::Password ? gtk_entry_get_text(GTK_ENTRY(row.second)) : "";
    auto page_of = [&] {
      gint pages = gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook_));
      for (gint p = 0; p < pages; ++p)
        if (gtk_widget_is_ancestor(row.control, gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook_), p)))
          gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook_), p);
      gtk_widget_grab_focus(row.control);
    };
    if (row.field->kind == FieldKind::Password && text == again && text != stored && IsShortPassword(text) &&
        !short_password_agreed_) {
      page_of();
      // Asked, not refused: an operator may know the kiosk's risk better. Saved on a yes.
      ShowMessageBox(GTK_WINDOW(window_), TrText(kShortPasswordQuestion), Title(), GTK_MESSAGE_WARNING,
                     GTK_BUTTONS_YES_NO, [this](int response) {
                       if (response != GTK_RESPONSE_YES) return;
                       short_password_agreed_ = true;
                       Save();
                       short_password_agreed_ = false;
                     });
      return false;
    }
    Checked checked = CheckRow(*row.field, text, again, stored, &FolderExists);
    if (!checked.value) {
      page_of();
      Message(checked.message, GTK_MESSAGE_ERROR);
      return false;
    }
    if (!checked.message.empty()) warnings += checked.message + "\n";
    values.push_back(*checked.value);
  }
  std::vector<RegChange> changes = FormChanges(store_, fields_, values);
  if (!changes.empty() && !store_.Apply(changes)) {
    Message(Tr("The settings were not saved: the settings file ") + paths_.store_file +
                Tr(" cannot be written (no permission, locked by another program, or a read-only disk). The settings "
                   "stay as they were."),
            GTK_MESSAGE_ERROR);
    return false;
  }
  // A new password goes into the keeper's keeping, where the package installed it.
  auto is_password = [](const RegChange& c) { return c.name == setting::Password.name; };
  if (std::ranges::any_of(changes, is_password)) LetKeeperAdoptPassword();
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].field->kind == FieldKind::Password && values[i].type == ValueType::Sz) {
      // What is stored now is what an unchanged field compares against next time.
      stored_password_ = SettingsReader(store_).Text(setting::Password);
      SetText(rows_[i], stored_password_);
    }
  std::string done = changes.empty() ? Tr("Nothing changed.") : Tr("The settings were saved.");
  gtk_label_set_text(GTK_LABEL(status_), (done + (warnings.empty() ? "" : "\n" + warnings)).c_str());
  return true;
}

GtkWidget* GtkConfigWindow::MakeListsPage() {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(box), 10);
  GtkWidget* top = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  list_choice_ = gtk_combo_box_text_new();
  for (std::string_view file : kEditedFiles) {
    std::string name(file);
    gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(list_choice_), name.c_str(), name.c_str());
  }
  gtk_box_pack_start(GTK_BOX(top), LeftLabel(Tr("File: ")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(top), list_choice_, FALSE, FALSE, 0);
  GtkWidget* save = gtk_button_new_with_label(Tr("Save this file"));
  gtk_box_pack_end(GTK_BOX(top), save, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), top, FALSE, FALSE, 0);
  list_rule_ = LeftLabel("");
  gtk_label_set_line_wrap(GTK_LABEL(list_rule_), TRUE);
  gtk_box_pack_start(GTK_BOX(box), list_rule_, FALSE, FALSE, 0);
  list_note_ = LeftLabel("");
  gtk_box_pack_start(GTK_BOX(box), list_note_, FALSE, FALSE, 0);
  list_text_ = gtk_text_view_new();
  gtk_text_view_set_monospace(GTK_TEXT_VIEW(list_text_), TRUE);
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_container_add(GTK_CONTAINER(scroller), list_text_);
  GtkWidget* panes = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_paned_pack1(GTK_PANED(panes), scroller, TRUE, FALSE);
  list_check_ = LeftLabel("");
  gtk_label_set_selectable(GTK_LABEL(list_check_), TRUE);
  gtk_label_set_line_wrap(GTK_LABEL(list_check_), TRUE);
  gtk_widget_set_valign(list_check_, GTK_ALIGN_START);
  GtkWidget* check_scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_container_add(GTK_CONTAINER(check_scroller), list_check_);
  // Shown for the schedule only.
  gtk_widget_show_all(check_scroller);
  gtk_widget_set_no_show_all(check_scroller, TRUE);
  gtk_paned_pack2(GTK_PANED(panes), check_scroller, TRUE, FALSE);
  gtk_box_pack_start(GTK_BOX(box), panes, TRUE, TRUE, 0);
  g_signal_connect_swapped(gtk_text_view_get_buffer(GTK_TEXT_VIEW(list_text_)), "changed",
                           G_CALLBACK(+[](GtkConfigWindow* self) { self->CheckSchedule(); }), this);
  g_signal_connect_swapped(list_choice_, "changed", G_CALLBACK(+[](GtkConfigWindow* self) { self->LoadListFile(); }),
                           this);
  g_signal_connect_swapped(save, "clicked", G_CALLBACK(+[](GtkConfigWindow* self) { self->SaveListFile(); }), this);
  gtk_combo_box_set_active(GTK_COMBO_BOX(list_choice_), 0);
  return box;
}

void GtkConfigWindow::LoadListFile() {
  const char* file = gtk_combo_box_get_active_id(GTK_COMBO_BOX(list_choice_));
  if (!file) return;
  auto loaded = list_editor_.Load(EditedFilePath(file, paths_.kiosk_directory, paths_.module_directory));
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(list_text_)), loaded.text.c_str(), -1);
  gtk_label_set_text(GTK_LABEL(list_note_), loaded.note.c_str());
  CheckSchedule();
}

std::string GtkConfigWindow::EditedText() const {
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(list_text_));
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  GCharPtr chars(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
  return chars ? chars.get() : "";
}

void GtkConfigWindow::CheckSchedule() {
  const char* file = gtk_combo_box_get_active_id(GTK_COMBO_BOX(list_choice_));
  const bool schedule = file && std::string_view(file) == kScheduleFile;
  gtk_widget_set_visible(gtk_widget_get_parent(gtk_widget_get_parent(list_check_)), schedule);
  gtk_label_set_text(
      GTK_LABEL(list_rule_),
      schedule ? Tr("Note: the sections [Screen], [Volume], [Home] and [Closed]; a line such as \"Mon-Fri = "
                    "07:30-22:00\". The check beside the text shows what the kiosk understands; a schedule with a "
                    "refused line is not saved.")
               : Tr("Note: one address per line; everything after the first empty line is ignored. Only Show.dat "
                    "compares without regard to case."));
  if (!schedule) return;
  const Schedule parsed = ParseSchedule(EditedText());
  std::string shown = Tr("What the kiosk understands:") + std::string("\n") + DescribeSchedule(parsed);
  if (parsed.problems.empty()) shown += Tr("Every line is understood.");
  gtk_label_set_text(GTK_LABEL(list_check_), shown.c_str());
}

void GtkConfigWindow::SaveListFile() {
  const char* file = gtk_combo_box_get_active_id(GTK_COMBO_BOX(list_choice_));
  if (!file) return;
  const std::string text = EditedText();
  // A schedule goes to the kiosk only whole: a refused line would leave the screen on or dark at
  // hours the operator did not mean.
  if (std::string_view(file) == kScheduleFile) {
    const Schedule parsed = ParseSchedule(text);
    if (!parsed.problems.empty()) {
      std::string refused;
      for (const auto& p : parsed.problems)
        refused += "\n" + Filled(Tr("line {1} refused: {2}"), {std::to_string(p.line), p.reason});
      Message(Tr("The schedule was not saved; mend these lines first:") + refused, GTK_MESSAGE_ERROR);
      return;
    }
  }
  const char* chars = text.c_str();
  auto saved = list_editor_.Save(EditedFilePath(file, paths_.kiosk_directory, paths_.module_directory), chars);
  if (!saved.ok) {
    Message(saved.error, GTK_MESSAGE_ERROR);
    return;
  }
  gtk_label_set_text(GTK_LABEL(list_note_), saved.note.c_str());
}

GtkWidget* GtkConfigWindow::MakeTryPage() {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 10);
  gtk_box_pack_start(
      GTK_BOX(box),
      LeftLabel(Tr("Type an address to see what Panelia does with it under the saved settings and page lists:")), FALSE,
      FALSE, 0);
  GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  try_entry_ = gtk_entry_new();
  GtkWidget* check = gtk_button_new_with_label(Tr("Try it"));
  gtk_box_pack_start(GTK_BOX(line), try_entry_, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(line), check, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), line, FALSE, FALSE, 0);
  try_answer_ = LeftLabel("");
  gtk_box_pack_start(GTK_BOX(box), try_answer_, FALSE, FALSE, 0);
  auto run = +[](GtkConfigWindow* self) {
    DirectoryLists source(self->paths_.kiosk_directory);
    CPageLists lists(source);
    AddressVerdict v = TryAddress(gtk_entry_get_text(GTK_ENTRY(self->try_entry_)), lists, self->store_);
    std::string answer =
        Tr("Web address: ") + v.address + "\n" +
        (v.blocked ? Tr("✗ Cannot be visited (the address restriction stops it)") : Tr("✓ May be visited")) + "\n" +
        (v.bar_shown ? Tr("✓ The bar is shown") : Tr("✗ The bar is not shown")) + "\n" +
        (v.music ? Tr("✓ Background music plays") : Tr("✗ No background music"));
    gtk_label_set_text(GTK_LABEL(self->try_answer_), answer.c_str());
  };
  g_signal_connect_swapped(check, "clicked", G_CALLBACK(run), this);
  g_signal_connect_swapped(try_entry_, "activate", G_CALLBACK(run), this);
  return box;
}

}  // namespace panelia
