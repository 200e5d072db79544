#include "platform/gtk/exit_dialog.h"

#include "common/names.h"
#include "common/log.h"

#include <cstdint>
#include <cstdio>
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/message_box.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr double kDialogUnit = 1.5;  // pixels per dialog unit
int Du(int units) {
  return static_cast<int>(units * kDialogUnit);
}

}  // namespace

// Dialog 139, placed 120 pixels above the centre of the screen. CExitPasswordDlg decides; this
// class only draws it and passes the events on.
class GtkExitDialogs::PasswordDialog final : public ExitDialogPort {
 public:
  PasswordDialog(GtkExitDialogs& owner, std::function<void(int)> done)
      : owner_(owner),
        done_(std::move(done)),
        logic_(owner.store_, *this, owner.backoff_, owner.close_keyboard_, owner.toggle_keyboard_, &owner.keeper_),
        timers_([this](int id) { logic_.OnTimer(id); }) {
    dialog_ = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog_), Tr("Exit Panelia"));
    gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(dialog_), TRUE);
    if (GtkWindow* parent = owner.parent_()) gtk_window_set_transient_for(GTK_WINDOW(dialog_), parent);
    gtk_widget_set_size_request(dialog_, Du(234), -1);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
    GtkWidget* group = gtk_frame_new(Tr("Please type the password to exit Panelia"));
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(row), 10);
    if (GdkPixbuf* icon = gdk_pixbuf_new_from_file_at_size(owner.icon_path_.c_str(), 30, 30, nullptr)) {
      gtk_box_pack_start(GTK_BOX(row), gtk_image_new_from_pixbuf(icon), FALSE, FALSE, 0);
      g_object_unref(icon);
    }
    entry_ = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry_), FALSE);
    gtk_entry_set_activates_default(GTK_ENTRY(entry_), TRUE);
    g_signal_connect(entry_, "changed", G_CALLBACK(+[](GtkEditable*, gpointer self) {
                       static_cast<PasswordDialog*>(self)->logic_.OnEditChange();
                     }),
                     this);
    gtk_box_pack_start(GTK_BOX(row), entry_, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(group), row);
    gtk_box_pack_start(GTK_BOX(area), group, TRUE, TRUE, 4);

    // "还有 20 关闭" at the bottom left, beside the buttons.
    GtkWidget* bottom = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    count_ = gtk_label_new(nullptr);
    gtk_box_pack_start(GTK_BOX(bottom), gtk_label_new(Tr("Closes in")), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bottom), count_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bottom), gtk_label_new(Tr("seconds")), FALSE, FALSE, 0);
    ok_ = gtk_button_new_with_label(Tr("Confirm"));
    GtkWidget* cancel = gtk_button_new_with_label(Tr("Stay"));
    GtkWidget* keyboard = gtk_button_new_with_label(Tr("Keyboard"));
    // The caret stays in the password field, where the on-screen keyboard's keys must go.
    gtk_widget_set_focus_on_click(keyboard, FALSE);
    gtk_box_pack_end(GTK_BOX(bottom), keyboard, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(bottom), cancel, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(bottom), ok_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(area), bottom, FALSE, FALSE, 6);
    gtk_widget_set_can_default(ok_, TRUE);
    gtk_window_set_default(GTK_WINDOW(dialog_), ok_);
    auto on = [&](GtkWidget* button, void (*handler)(PasswordDialog*)) {
      g_signal_connect_swapped(button, "clicked", G_CALLBACK(handler), this);
    };
    on(ok_, [](PasswordDialog* d) { d->logic_.OnOk(); });
    on(cancel, [](PasswordDialog* d) { d->logic_.OnCancel(); });
    on(keyboard, [](PasswordDialog* d) { d->logic_.OnSoftKeyboard(); });
    // Escape and the close box are Cancel.
    g_signal_connect(dialog_, "response", G_CALLBACK(+[](GtkDialog*, int response, gpointer self) {
                       auto* d = static_cast<PasswordDialog*>(self);
                       if (response == GTK_RESPONSE_DELETE_EVENT && !d->logic_.Ended()) d->logic_.OnCancel();
                     }),
                     this);
    g_signal_connect(dialog_, "delete-event", G_CALLBACK(gtk_true), nullptr);
    gtk_widget_show_all(area);
  }

  ~PasswordDialog() override {
    if (finish_idle_) g_source_remove(finish_idle_);
    gtk_widget_destroy(dialog_);
  }

  void Open() {
    logic_.OnInitDialog();
    KeepInKiosk(dialog_);
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(dialog_), &width, &height);
    GdkRectangle screen = KioskMonitorArea();
    gtk_window_move(GTK_WINDOW(dialog_), screen.x + (screen.width - width) / 2,
                    screen.y + (screen.height - height) / 2 - 120);
    gtk_widget_grab_focus(entry_);
    gtk_widget_show(dialog_);
  }

  std::string EnteredText() override { return gtk_entry_get_text(GTK_ENTRY(entry_)); }
  void EnableOk(bool enable) override { gtk_widget_set_sensitive(ok_, enable); }
  void SetCountText(const std::string& text) override { gtk_label_set_text(GTK_LABEL(count_), text.c_str()); }
  void StartTimer(int id, int milliseconds) override { timers_.SetTimer(id, milliseconds); }
  void ShowWrongPassword() override { Tell(Tr("Wrong password; please type it again")); }
  void ShowWaitBeforeRetry(int seconds) override { Tell(CExitPasswordDlg::WaitText(seconds)); }
  void ShowStoreUnreadable() override { Tell(TrText(CExitPasswordDlg::kStoreUnreadableText)); }
  void EndDialog(int result) override {
    // Finished on the next turn of the loop: this object goes with it, and it is still inside its
    // own handlers now.
    result_ = result;
    gtk_widget_hide(dialog_);
    if (finish_idle_) return;
    finish_idle_ = g_idle_add(
        [](gpointer self) -> gboolean {
          auto* dialog = static_cast<PasswordDialog*>(self);
          dialog->finish_idle_ = 0;
          dialog->owner_.Finish();
          return G_SOURCE_REMOVE;
        },
        this);
  }

  int Result() const { return result_; }
  void Cancel() {
    if (!logic_.Ended()) logic_.OnCancel();
  }
  std::function<void(int)> TakeDone() { return std::move(done_); }

 private:
  void Tell(const std::string& text) {
    ShowMessageBox(GTK_WINDOW(dialog_), text, TrText(kNoticeCaption), GTK_MESSAGE_ERROR, GTK_BUTTONS_OK);
  }

  GtkExitDialogs& owner_;
  std::function<void(int)> done_;
  CExitPasswordDlg logic_;
  GlibTimers timers_;
  GtkWidget* dialog_;
  GtkWidget* entry_;
  GtkWidget* count_;
  GtkWidget* ok_;
  guint finish_idle_ = 0;
  int result_ = CExitPasswordDlg::kCancel;
};

GtkExitDialogs::GtkExitDialogs(RegistryStore& store, std::function<GtkWindow*()> parent,
                               std::function<void()> close_keyboard, std::function<void()> toggle_keyboard,
                               std::string icon_path)
    : store_(store),
      parent_(std::move(parent)),
      close_keyboard_(std::move(close_keyboard)),
      toggle_keyboard_(std::move(toggle_keyboard)),
      icon_path_(std::move(icon_path)),
      backoff_([] { return static_cast<uint64_t>(g_get_monotonic_time() / 1000); },
               [](const std::string& line) { Log("%s", line.c_str()); }) {}

GtkExitDialogs::~GtkExitDialogs() = default;

void GtkExitDialogs::RunExitPasswordDialog(std::function<void(int)> done) {
  // One at a time: a second exit touch finds the dialog already up, and its asker gets no.
  if (open_) {
    done(CExitPasswordDlg::kCancel);
    return;
  }
  open_ = std::make_unique<PasswordDialog>(*this, std::move(done));
  open_->Open();
}

void GtkExitDialogs::Finish() {
  if (!open_) return;
  int result = open_->Result();
  auto done = open_->TakeDone();
  open_.reset();
  if (done) done(result);
}

void GtkExitDialogs::CancelOpen() {
  if (open_) open_->Cancel();
}

void GtkExitDialogs::AskToQuit(std::function<void(bool)> done) {
  GtkWidget* box = ShowMessageBox(parent_(), Tr("Do you really want to exit the Panelia touch-screen browser?"),
                                  TrText(kNoticeCaption), GTK_MESSAGE_INFO, GTK_BUTTONS_YES_NO,
                                  [done = std::move(done)](int response) { done(response == GTK_RESPONSE_YES); });
  MarkVisitorDialog(box);
}

}  // namespace panelia
