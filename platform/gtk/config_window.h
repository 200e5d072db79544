// The settings program's window on GTK: a page of controls per section of the settings table, the
// kiosk directory's list files and "OpenURL.ini" in an editor, and a box that tries an address.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "common/registry.h"
#include "config/form.h"
#include "config/list_editor.h"

namespace panelia {

struct ConfigPaths {
  std::string kiosk_directory;   // the four lists
  std::string module_directory;  // "OpenURL.ini"
  std::string store_file;        // named in messages when the store cannot be written
};

class GtkConfigWindow {
 public:
  GtkConfigWindow(RegistryStore& store, ConfigPaths paths, std::function<void()> closed);
  ~GtkConfigWindow();
  GtkConfigWindow(const GtkConfigWindow&) = delete;
  GtkConfigWindow& operator=(const GtkConfigWindow&) = delete;

  GtkWidget* Widget() const { return window_; }
  // Checks and writes every value in one transaction; false (and a message) when nothing was written.
  bool Save();

 private:
  struct Row {
    const FormField* field;
    GtkWidget* control = nullptr;
    GtkWidget* second = nullptr;  // the password's second entry
    GtkWidget* count = nullptr;   // bytes used of a text
  };
  GtkWidget* MakePage(Section section);
  GtkWidget* MakeControl(Row& row);
  std::string TextOf(const Row& row) const;
  void SetText(Row& row, const std::string& text);
  GtkWidget* MakeListsPage();
  GtkWidget* MakeTryPage();
  void LoadListFile();
  void SaveListFile();
  // The schedule's check, as its text stands in the editor: what the kiosk understands of it and
  // every line it would refuse. Empty for the other files.
  void CheckSchedule();
  std::string EditedText() const;
  void Message(const std::string& text, GtkMessageType type);

  RegistryStore& store_;
  ConfigPaths paths_;
  std::string stored_password_;  // as the store has it: an unchanged field keeps it
  // The operator said yes to a short new password.
  bool short_password_agreed_ = false;
  std::function<void()> closed_;
  std::vector<FormField> fields_;
  std::vector<Row> rows_;
  GtkWidget* window_ = nullptr;
  GtkWidget* notebook_ = nullptr;
  GtkWidget* status_ = nullptr;
  // The list editor.
  GtkWidget* list_choice_ = nullptr;
  GtkWidget* list_text_ = nullptr;
  GtkWidget* list_note_ = nullptr;
  GtkWidget* list_check_ = nullptr;
  GtkWidget* list_rule_ = nullptr;
  ListFileEditor list_editor_;
  // The address box.
  GtkWidget* try_entry_ = nullptr;
  GtkWidget* try_answer_ = nullptr;
};

}  // namespace panelia
