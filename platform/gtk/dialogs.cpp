#include "platform/gtk/dialogs.h"

#include "platform/gtk/gobject_ptr.h"

namespace panelia {
namespace {

constexpr double kDialogUnit = 1.5;  // pixels per dialog unit

int Du(int units) { return static_cast<int>(units * kDialogUnit); }

class GtkPowerOffNotice final : public PowerOffDialogPort {
 public:
  explicit GtkPowerOffNotice(GtkWindow* parent) : logic_(*this) {
    dialog_ = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog_), "自动关机提示");
    gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
    gtk_window_set_deletable(GTK_WINDOW(dialog_), FALSE);  // no close box: no system menu
    gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(dialog_), TRUE);
    if (parent) gtk_window_set_transient_for(GTK_WINDOW(dialog_), parent);
    gtk_window_set_position(GTK_WINDOW(dialog_), GTK_WIN_POS_CENTER);
    gtk_widget_set_size_request(dialog_, Du(187), -1);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
    GtkWidget* group = gtk_frame_new("自动关机");
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    time_text_ = gtk_label_new("程序定时自动关机时间到！");
    weekend_text_ = gtk_label_new("程序设置了周末不开机！");
    GtkWidget* notice = gtk_label_new("计算机将在15秒内自动关机，请明日再查找你需要的信息资料，谢谢您的使用！");
    gtk_label_set_line_wrap(GTK_LABEL(notice), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(notice), 30);
    for (GtkWidget* label : {time_text_, weekend_text_, notice}) gtk_widget_set_halign(label, GTK_ALIGN_START);
    progress_ = gtk_progress_bar_new();
    gtk_box_pack_start(GTK_BOX(box), time_text_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), weekend_text_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), notice, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), progress_, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(group), box);
    gtk_box_pack_start(GTK_BOX(area), group, TRUE, TRUE, 0);
    ok_ = gtk_dialog_add_button(GTK_DIALOG(dialog_), "确定", 1);
    cancel_ = gtk_dialog_add_button(GTK_DIALOG(dialog_), "取消", 2);
    gtk_widget_set_sensitive(cancel_, FALSE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog_), 1);
    gtk_widget_show_all(area);
    gtk_widget_hide(weekend_text_);
  }
  ~GtkPowerOffNotice() override {
    if (timer_) g_source_remove(timer_);
    gtk_widget_destroy(dialog_);
  }

  int Run(const LocalTime& today) {
    logic_.OnInitDialog(today);
    for (;;) {
      int response = gtk_dialog_run(GTK_DIALOG(dialog_));
      if (response == 1) return CPowerOffDlg::kOk;
      // Escape is the Cancel button's key, and like the button it only works at weekends.
      if ((response == 2 || response == GTK_RESPONSE_DELETE_EVENT) && cancel_enabled_) return CPowerOffDlg::kCancel;
    }
  }

  void SetProgressRange(int low, int high) override {
    low_ = low;
    high_ = high;
  }
  void SetProgress(int position) override {
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_),
                                  static_cast<double>(position - low_) / static_cast<double>(high_ - low_));
  }
  void ShowWeekendText() override {
    gtk_widget_show(weekend_text_);
    gtk_widget_hide(time_text_);
  }
  void EnableCancel() override {
    cancel_enabled_ = true;
    gtk_widget_set_sensitive(cancel_, TRUE);
  }
  void StartTimer(int id, int milliseconds) override {
    timer_id_ = id;
    timer_ = g_timeout_add(static_cast<guint>(milliseconds), [](gpointer self) -> gboolean {
      auto* notice = static_cast<GtkPowerOffNotice*>(self);
      notice->logic_.OnTimer(notice->timer_id_);
      return G_SOURCE_CONTINUE;
    }, this);
  }
  void EndDialog(int result) override { gtk_dialog_response(GTK_DIALOG(dialog_), result); }

 private:
  CPowerOffDlg logic_;
  GtkWidget* dialog_;
  GtkWidget* time_text_;
  GtkWidget* weekend_text_;
  GtkWidget* progress_;
  GtkWidget* ok_;
  GtkWidget* cancel_;
  guint timer_ = 0;
  int timer_id_ = 0;
  int low_ = 0, high_ = 1;
  bool cancel_enabled_ = false;
};

// Browse: a file chooser with the filters of string 129; the chosen path replaces the typed text.
void OnBrowse(GtkButton* button, gpointer target) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(button));
  GtkWidget* chooser = gtk_file_chooser_dialog_new("打开", GTK_WINDOW(top), GTK_FILE_CHOOSER_ACTION_OPEN, "取消",
                                                   GTK_RESPONSE_CANCEL, "打开", GTK_RESPONSE_ACCEPT, nullptr);
  const char* filters[][2] = {{"HTML 文件", "*.htm;*.html"}, {"Text 文件", "*.txt"},        {"GIF 文件", "*.gif"},
                              {"JPEG 文件", "*.jpg;*.jpeg"}, {"PNG 文件", "*.png"},         {"ART 文件", "*.art"},
                              {"AU 文件", "*.au"},           {"AIFF 文件", "*.aif;*.aiff"}, {"XBM 文件", "*.xbm"},
                              {"所有文件", "*.*"}};
  for (auto& f : filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f[0]);
    gchar** patterns = g_strsplit(f[1], ";", -1);
    for (gchar** p = patterns; *p; ++p) gtk_file_filter_add_pattern(filter, std::string(*p) == "*.*" ? "*" : *p);
    g_strfreev(patterns);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  }
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    GCharPtr file(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
    if (file) gtk_entry_set_text(GTK_ENTRY(target), file.get());
  }
  gtk_widget_destroy(chooser);
}

}  // namespace

int RunPowerOffNotice(GtkWindow* parent, const LocalTime& today) {
  GtkPowerOffNotice notice(parent);
  return notice.Run(today);
}

std::optional<std::string> RunOpenDialog(GtkWindow* parent, const std::vector<std::string>& typed_urls) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons("打开", parent, GTK_DIALOG_MODAL, "确定", GTK_RESPONSE_OK, "取消",
                                                  GTK_RESPONSE_CANCEL, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 10);
  GtkWidget* prompt = gtk_label_new("请键入文档或文件夹的Internet地址， Panelia 将为你打开它。");
  gtk_widget_set_halign(prompt, GTK_ALIGN_START);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget* combo = gtk_combo_box_text_new_with_entry();
  GtkListStore* history = gtk_list_store_new(1, G_TYPE_STRING);
  for (const auto& url : typed_urls) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), url.c_str());
    GtkTreeIter it;
    gtk_list_store_append(history, &it);
    gtk_list_store_set(history, &it, 0, url.c_str(), -1);
  }
  GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  GtkEntryCompletion* completion = gtk_entry_completion_new();
  gtk_entry_completion_set_model(completion, GTK_TREE_MODEL(history));
  gtk_entry_completion_set_text_column(completion, 0);
  gtk_entry_completion_set_inline_completion(completion, TRUE);
  gtk_entry_set_completion(GTK_ENTRY(entry), completion);
  g_object_unref(completion);
  g_object_unref(history);
  GtkWidget* browse = gtk_button_new_with_label("浏览...");
  g_signal_connect(browse, "clicked", G_CALLBACK(OnBrowse), entry);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new("打开："), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), combo, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(area), prompt, FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(area), row, FALSE, FALSE, 4);
  constexpr int kBrowse = 1081;
  gtk_dialog_add_action_widget(GTK_DIALOG(dialog), browse, kBrowse);
  gtk_widget_show_all(dialog);
  std::optional<std::string> result;
  int response;
  while ((response = gtk_dialog_run(GTK_DIALOG(dialog))) == kBrowse) {
  }
  if (response == GTK_RESPONSE_OK) result = gtk_entry_get_text(GTK_ENTRY(entry));
  gtk_widget_destroy(dialog);
  return result;
}

}  // namespace panelia
