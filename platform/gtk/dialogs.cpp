#include "platform/gtk/dialogs.h"

#include "platform/gtk/gobject_ptr.h"
#include "shell/exit_dialog.h"

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

class GtkExitDialog final : public ExitDialogPort {
 public:
  static constexpr int kSoftKeyboard = 1008;

  GtkExitDialog(GtkWindow* parent, RegistryStore& store, const std::function<void()>& close_keyboard,
                const std::function<void()>& toggle_keyboard, const std::string& icon_path)
      : logic_(store, *this, close_keyboard, toggle_keyboard) {
    dialog_ = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog_), "退出Panelia程序");
    gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(dialog_), TRUE);
    if (parent) gtk_window_set_transient_for(GTK_WINDOW(dialog_), parent);
    gtk_widget_set_size_request(dialog_, Du(234), -1);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
    GtkWidget* group = gtk_frame_new("请输入退出Panelia程序密码");
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(row), 10);
    if (GdkPixbuf* icon = gdk_pixbuf_new_from_file_at_size(icon_path.c_str(), 30, 30, nullptr)) {
      gtk_box_pack_start(GTK_BOX(row), gtk_image_new_from_pixbuf(icon), FALSE, FALSE, 0);
      g_object_unref(icon);
    }
    entry_ = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry_), FALSE);
    gtk_entry_set_activates_default(GTK_ENTRY(entry_), TRUE);
    g_signal_connect(entry_, "changed", G_CALLBACK(+[](GtkEditable*, gpointer self) {
                       static_cast<GtkExitDialog*>(self)->logic_.OnEditChange();
                     }),
                     this);
    gtk_box_pack_start(GTK_BOX(row), entry_, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(group), row);
    gtk_box_pack_start(GTK_BOX(area), group, TRUE, TRUE, 4);

    // "还有 20 关闭" at the bottom left, beside the buttons.
    GtkWidget* actions = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
    GtkWidget* bottom = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    count_ = gtk_label_new(nullptr);
    gtk_box_pack_start(GTK_BOX(bottom), gtk_label_new("还有"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bottom), count_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bottom), gtk_label_new("关闭"), FALSE, FALSE, 0);
    ok_ = gtk_button_new_with_label("确 定");
    GtkWidget* cancel = gtk_button_new_with_label("取 消");
    GtkWidget* keyboard = gtk_button_new_with_label("软键盘");
    gtk_box_pack_end(GTK_BOX(bottom), keyboard, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(bottom), cancel, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(bottom), ok_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(actions), bottom, FALSE, FALSE, 6);
    gtk_widget_set_can_default(ok_, TRUE);
    gtk_window_set_default(GTK_WINDOW(dialog_), ok_);
    g_signal_connect_swapped(ok_, "clicked", G_CALLBACK(+[](gpointer self) {
                               static_cast<GtkExitDialog*>(self)->logic_.OnOk();
                             }),
                             this);
    g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(+[](gpointer self) {
                               static_cast<GtkExitDialog*>(self)->logic_.OnCancel();
                             }),
                             this);
    g_signal_connect_swapped(keyboard, "clicked", G_CALLBACK(+[](gpointer self) {
                               static_cast<GtkExitDialog*>(self)->logic_.OnSoftKeyboard();
                             }),
                             this);
    gtk_widget_show_all(area);
  }
  ~GtkExitDialog() override {
    if (timer_) g_source_remove(timer_);
    gtk_widget_destroy(dialog_);
  }

  int Run(const GdkRectangle& screen) {
    logic_.OnInitDialog();
    gtk_widget_realize(dialog_);
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(dialog_), &width, &height);
    gtk_window_move(GTK_WINDOW(dialog_), screen.x + (screen.width - width) / 2,
                    screen.y + (screen.height - height) / 2 - 120);
    gtk_widget_grab_focus(entry_);
    while (!logic_.Ended()) {
      // Escape and the close box are Cancel.
      if (gtk_dialog_run(GTK_DIALOG(dialog_)) == GTK_RESPONSE_DELETE_EVENT && !logic_.Ended()) logic_.OnCancel();
    }
    return result_;
  }

  std::string EnteredText() override { return gtk_entry_get_text(GTK_ENTRY(entry_)); }
  void EnableOk(bool enable) override { gtk_widget_set_sensitive(ok_, enable); }
  void SetCountText(const std::string& text) override { gtk_label_set_text(GTK_LABEL(count_), text.c_str()); }
  void StartTimer(int id, int milliseconds) override {
    timer_id_ = id;
    timer_ = g_timeout_add(static_cast<guint>(milliseconds), [](gpointer self) -> gboolean {
      auto* dialog = static_cast<GtkExitDialog*>(self);
      dialog->logic_.OnTimer(dialog->timer_id_);
      return G_SOURCE_CONTINUE;
    }, this);
  }
  void ShowWrongPassword() override {
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(dialog_), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK,
                                            "密码错误，请重新输入");
    gtk_window_set_title(GTK_WINDOW(box), "Panelia提示");
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
  }
  void EndDialog(int result) override {
    result_ = result;
    gtk_dialog_response(GTK_DIALOG(dialog_), result);
  }

 private:
  CExitPasswordDlg logic_;
  GtkWidget* dialog_;
  GtkWidget* entry_;
  GtkWidget* count_;
  GtkWidget* ok_;
  guint timer_ = 0;
  int timer_id_ = 0;
  int result_ = CExitPasswordDlg::kCancel;
};

}  // namespace

int RunExitPasswordDialog(GtkWindow* parent, RegistryStore& store, const std::function<void()>& close_keyboard,
                          const std::function<void()>& toggle_keyboard, const std::string& icon_path,
                          const GdkRectangle& screen) {
  GtkExitDialog dialog(parent, store, close_keyboard, toggle_keyboard, icon_path);
  return dialog.Run(screen);
}

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
