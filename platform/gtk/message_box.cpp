#include "platform/gtk/message_box.h"

namespace panelia {

void ShowMessageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                    GtkButtonsType buttons, std::function<void(int)> answered) {
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  auto* callback = new std::function<void(int)>(std::move(answered));
  g_signal_connect_data(box, "response", G_CALLBACK(+[](GtkDialog* dialog, int response, gpointer data) {
                          auto* done = static_cast<std::function<void(int)>*>(data);
                          // Taken out first: the answer may open the next box or end the program.
                          std::function<void(int)> call = std::move(*done);
                          *done = nullptr;
                          gtk_widget_destroy(GTK_WIDGET(dialog));
                          if (call) call(response);
                        }),
                        callback,
                        [](gpointer data, GClosure*) { delete static_cast<std::function<void(int)>*>(data); },
                        GConnectFlags{});
  gtk_widget_show(box);
}

}  // namespace panelia
