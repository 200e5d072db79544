#include "platform/gtk/frame_dialogs.h"

#include "platform/gtk/callback_state.h"

#include "platform/gtk/glib_timers.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/message_box.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr double kDialogUnit = 1.5;  // pixels per dialog unit
int Du(int units) {
  return static_cast<int>(units * kDialogUnit);
}

// Lives as long as its dialog: destroyed with it.
class GtkPowerOffNotice final : public PowerOffDialogPort {
 public:
  GtkPowerOffNotice(GtkWindow* parent, std::function<void(int)> done)
      : logic_(*this), timers_([this](int id) { logic_.OnTimer(id); }), done_(std::move(done)) {
    dialog_ = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog_), Tr("Scheduled power-off"));
    gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
    gtk_window_set_deletable(GTK_WINDOW(dialog_), FALSE);  // no close box: no system menu
    gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(dialog_), TRUE);
    if (parent) gtk_window_set_transient_for(GTK_WINDOW(dialog_), parent);
    gtk_window_set_position(GTK_WINDOW(dialog_), GTK_WIN_POS_CENTER);
    KeepInKiosk(dialog_);
    // Nothing but moving: the notice runs its fifteen seconds whatever a visitor touches.
    if (GdkWindow* window = gtk_widget_get_window(dialog_)) gdk_window_set_functions(window, GDK_FUNC_MOVE);
    gtk_widget_set_size_request(dialog_, Du(187), -1);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
    GtkWidget* group = gtk_frame_new(Tr("Power off"));
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    time_text_ = gtk_label_new(Tr("It is time for the scheduled power-off!"));
    weekend_text_ = gtk_label_new(Tr("The kiosk is set not to run at weekends!"));
    GtkWidget* notice =
        gtk_label_new(Tr("The computer powers off within 15 seconds. Please come back tomorrow for the information you "
                         "need; thank you for using this kiosk!"));
    gtk_label_set_line_wrap(GTK_LABEL(notice), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(notice), 30);
    for (GtkWidget* label : {time_text_, weekend_text_, notice}) gtk_widget_set_halign(label, GTK_ALIGN_START);
    progress_ = gtk_progress_bar_new();
    for (GtkWidget* w : {time_text_, weekend_text_, notice, progress_})
      gtk_box_pack_start(GTK_BOX(box), w, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(group), box);
    gtk_box_pack_start(GTK_BOX(area), group, TRUE, TRUE, 0);
    gtk_dialog_add_button(GTK_DIALOG(dialog_), Tr("OK"), CPowerOffDlg::kOk);
    cancel_ = gtk_dialog_add_button(GTK_DIALOG(dialog_), Tr("Cancel"), CPowerOffDlg::kCancel);
    gtk_widget_set_sensitive(cancel_, FALSE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog_), CPowerOffDlg::kOk);
    gtk_widget_show_all(area);
    gtk_widget_hide(weekend_text_);
    // The buttons and Escape go through the dialog's logic: Cancel only works at weekends.
    g_signal_connect(dialog_, "response", G_CALLBACK(+[](GtkDialog*, int response, gpointer self) {
                       auto* n = static_cast<GtkPowerOffNotice*>(self);
                       if (n->ended_) return;
                       if (response == CPowerOffDlg::kOk)
                         n->logic_.OnOk();
                       else
                         n->logic_.OnCancel();
                     }),
                     this);
    g_signal_connect(dialog_, "delete-event", G_CALLBACK(gtk_true), nullptr);
    // The dialog owns its notice: it goes when the dialog is destroyed.
    g_object_set_data_full(G_OBJECT(dialog_), "panelia-notice", this, CallbackState<GtkPowerOffNotice>::Free);
  }

  void Open(const LocalTime& today) {
    logic_.OnInitDialog(today);
    gtk_widget_show(dialog_);
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
  void EnableCancel() override { gtk_widget_set_sensitive(cancel_, TRUE); }
  void StartTimer(int id, int milliseconds) override { timers_.SetTimer(id, milliseconds); }
  void EndDialog(int result) override {
    if (ended_) return;
    ended_ = true;
    auto done = std::move(done_);
    // Gone before the answer: the answer may close the frame this notice belongs to.
    gtk_widget_destroy(dialog_);  // deletes this object
    if (done) done(result);
  }

 private:
  CPowerOffDlg logic_;
  GlibTimers timers_;
  std::function<void(int)> done_;
  GtkWidget* dialog_;
  GtkWidget* time_text_;
  GtkWidget* weekend_text_;
  GtkWidget* progress_;
  GtkWidget* cancel_;
  int low_ = 0, high_ = 1;
  bool ended_ = false;
};

// Browse: a file chooser with the filters of string 129; the chosen path replaces the typed text.
void OnBrowse(GtkButton* button, gpointer target) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(button));
  GtkWidget* chooser =
      gtk_file_chooser_dialog_new(Tr("Open"), GTK_WINDOW(top), GTK_FILE_CHOOSER_ACTION_OPEN, Tr("Cancel"),
                                  GTK_RESPONSE_CANCEL, Tr("Open"), GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
  MarkVisitorDialog(chooser);
  const char* filters[][2] = {{Tr("HTML files"), "*.htm;*.html"}, {Tr("Text files"), "*.txt"},
                              {Tr("GIF files"), "*.gif"},         {Tr("JPEG files"), "*.jpg;*.jpeg"},
                              {Tr("PNG files"), "*.png"},         {Tr("ART files"), "*.art"},
                              {Tr("AU files"), "*.au"},           {Tr("AIFF files"), "*.aif;*.aiff"},
                              {Tr("XBM files"), "*.xbm"},         {Tr("All files"), "*.*"}};
  for (auto& f : filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f[0]);
    gchar** patterns = g_strsplit(f[1], ";", -1);
    for (gchar** p = patterns; *p; ++p) gtk_file_filter_add_pattern(filter, std::string(*p) == "*.*" ? "*" : *p);
    g_strfreev(patterns);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  }
  g_signal_connect(chooser, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer entry) {
                     if (response == GTK_RESPONSE_ACCEPT) {
                       GCharPtr file(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(d)));
                       if (file) gtk_entry_set_text(GTK_ENTRY(entry), file.get());
                     }
                     gtk_widget_destroy(GTK_WIDGET(d));
                   }),
                   target);
  gtk_widget_show(chooser);
}

}  // namespace

void OpenPowerOffNotice(GtkWindow* parent, const LocalTime& today, std::function<void(int)> done) {
  (new GtkPowerOffNotice(parent, std::move(done)))->Open(today);  // owned by its dialog
}

void OpenAddressDialog(GtkWindow* parent, const std::vector<std::string>& typed_urls,
                       std::function<void(std::optional<std::string>)> done) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons(Tr("Open"), parent, GTK_DIALOG_MODAL, Tr("OK"), GTK_RESPONSE_OK,
                                                  Tr("Cancel"), GTK_RESPONSE_CANCEL, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  MarkVisitorDialog(dialog);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 10);
  GtkWidget* prompt =
      gtk_label_new(Tr("Type the Internet address of a document or folder, and Panelia will open it for you."));
  gtk_widget_set_halign(prompt, GTK_ALIGN_START);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget* combo = gtk_combo_box_text_new_with_entry();
  GObjectPtr<GtkListStore> history = GObjectPtr<GtkListStore>::Adopt(gtk_list_store_new(1, G_TYPE_STRING));
  for (const auto& url : typed_urls) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), url.c_str());
    GtkTreeIter it;
    gtk_list_store_append(history.get(), &it);
    gtk_list_store_set(history.get(), &it, 0, url.c_str(), -1);
  }
  GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  GObjectPtr<GtkEntryCompletion> completion = GObjectPtr<GtkEntryCompletion>::Adopt(gtk_entry_completion_new());
  gtk_entry_completion_set_model(completion.get(), GTK_TREE_MODEL(history.get()));
  gtk_entry_completion_set_text_column(completion.get(), 0);
  gtk_entry_completion_set_inline_completion(completion.get(), TRUE);
  gtk_entry_set_completion(GTK_ENTRY(entry), completion.get());
  GtkWidget* browse = gtk_button_new_with_label(Tr("Browse..."));
  g_signal_connect(browse, "clicked", G_CALLBACK(OnBrowse), entry);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(Tr("Open: ")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), combo, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(area), prompt, FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(area), row, FALSE, FALSE, 4);
  constexpr int kBrowse = 1081;
  gtk_dialog_add_action_widget(GTK_DIALOG(dialog), browse, kBrowse);
  g_object_set_data(G_OBJECT(dialog), "panelia-entry", entry);
  using Done = std::function<void(std::optional<std::string>)>;
  g_signal_connect_data(dialog, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer data) {
                          if (response == 1081) return;  // Browse opened its chooser; the dialog stays
                          Done* answer = &CallbackState<Done>::Peek(data);
                          std::optional<std::string> result;
                          auto* text_entry = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(d), "panelia-entry"));
                          if (response == GTK_RESPONSE_OK) result = gtk_entry_get_text(GTK_ENTRY(text_entry));
                          auto call = std::move(*answer);
                          *answer = nullptr;
                          gtk_widget_destroy(GTK_WIDGET(d));
                          if (call) call(result);
                        }),
                        CallbackState<Done>::Give(std::move(done)), CallbackState<Done>::FreeClosure, GConnectFlags{});
  gtk_widget_show_all(dialog);
}

}  // namespace panelia
