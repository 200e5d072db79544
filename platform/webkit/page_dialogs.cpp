// The views' page dialogs: the page's properties and printing (real printers only).
#include <gtk/gtkunixprint.h>

#include <string>

#include "browse/page_properties.h"
#include "browse/script_dialogs.h"
#include "common/names.h"
#include "common/log.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/message_box.h"
#include "platform/webkit/kiosk_views.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr std::string_view kNoPrinterText = "This machine has no printer installed, so nothing can be printed.";

}  // namespace

namespace {

std::string LocalDate(GDateTime* when) {
  if (!when) return {};
  GDateTime* local = g_date_time_to_local(when);
  GCharPtr text(g_date_time_format(local, "%Y-%m-%d %H:%M:%S"));
  g_date_time_unref(local);
  return text ? text.get() : "";
}

// The facts come one after another from the engine (the page's bytes, then its character set from
// the page itself); the box shows once all are in. The kiosk runs on meanwhile.
// Each step owns the question until it hands it to the next.
struct PropertiesQuestion {
  GObjectPtr<WebKitWebView> view;
  GtkWindow* parent;
  PageFacts facts;

  static void AskData(std::unique_ptr<PropertiesQuestion> asked, WebKitWebResource* resource) {
    webkit_web_resource_get_data(
        resource, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto q = CallbackState<PropertiesQuestion>::Take(data);
          gsize length = 0;
          if (guchar* bytes =
                  webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, nullptr)) {
            q->facts.size = length;
            g_free(bytes);
          }
          AskEncoding(std::move(q));
        },
        asked.release());
  }
  static void AskEncoding(std::unique_ptr<PropertiesQuestion> asked) {
    WebKitWebView* view = asked->view.get();
    webkit_web_view_evaluate_javascript(
        view, "document.characterSet", -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto q = CallbackState<PropertiesQuestion>::Take(data);
          JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
          if (value && jsc_value_is_string(value)) {
            GCharPtr text(jsc_value_to_string(value));
            q->facts.encoding = text.get();
          }
          if (value) g_object_unref(value);
          MarkVisitorDialog(ShowMessageBox(q->parent, PagePropertiesText(q->facts), Tr("Properties"), GTK_MESSAGE_INFO,
                                           GTK_BUTTONS_OK));
        },
        asked.release());
  }
};

}  // namespace

void WebKitKioskViews::ShowPageProperties(GtkWindow* parent) {
  auto q = std::make_unique<PropertiesQuestion>(
      PropertiesQuestion{GObjectPtr<WebKitWebView>::Ref(main_->View()), parent, {}});
  q->facts.title = main_->Title();
  q->facts.address = main_->Address();
  WebKitWebResource* resource = webkit_web_view_get_main_resource(main_->View());
  if (WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr) {
    if (const char* mime = webkit_uri_response_get_mime_type(response)) q->facts.mime_type = mime;
    if (SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response))
      if (const char* modified = soup_message_headers_get_one(headers, "Last-Modified"))
        if (GDateTime* when = soup_date_time_new_from_http_string(modified)) {
          q->facts.modified = LocalDate(when);
          g_date_time_unref(when);
        }
  }
  // A page from the kiosk's own disk: the file knows its dates.
  if (GCharPtr path{g_filename_from_uri(q->facts.address.c_str(), nullptr, nullptr)}) {
    GObjectPtr<GFile> file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(path.get()));
    if (GFileInfo* info =
            g_file_query_info(file.get(), "time::modified,time::created", G_FILE_QUERY_INFO_NONE, nullptr, nullptr)) {
      if (GDateTime* m = g_file_info_get_modification_date_time(info)) {
        q->facts.modified = LocalDate(m);
        g_date_time_unref(m);
      }
      if (GDateTime* c = g_file_info_get_creation_date_time(info)) {
        q->facts.created = LocalDate(c);
        g_date_time_unref(c);
      }
      g_object_unref(info);
    }
  }
  if (resource)
    PropertiesQuestion::AskData(std::move(q), resource);
  else
    PropertiesQuestion::AskEncoding(std::move(q));
}

void WebKitKioskViews::UseRealPrintersOnly() {
  // No "Print to File": it would show a visitor a file chooser over the whole disk. Read by GTK
  // when it first loads its printing modules, at the first print (not at start, where the first
  // page waits for it).
  static const bool set = [] {
    g_object_set(gtk_settings_get_default(), "gtk-print-backends", "cups", nullptr);
    return true;
  }();
  (void)set;
}

void WebKitKioskViews::PrintWithDialog(WebKitWebView* view, GtkWindow* parent) {
  UseRealPrintersOnly();
  // The printers are listed first (without waiting: the kiosk runs on meanwhile): without one, the
  // visitor gets a plain message instead of an empty dialog.
  struct Listing {
    GObjectPtr<WebKitWebView> view;
    GtkWindow* parent;
    int printers = 0;
  };
  gpointer listing =
      CallbackState<Listing>::Give(GObjectPtr<WebKitWebView>::Adopt(WEBKIT_WEB_VIEW(g_object_ref(view))), parent);
  gtk_enumerate_printers(
      +[](GtkPrinter* printer, gpointer data) -> gboolean {
        if (!gtk_printer_is_virtual(printer)) ++CallbackState<Listing>::Peek(data).printers;
        return FALSE;  // go on listing
      },
      listing,
      +[](gpointer data) {
        auto done = CallbackState<Listing>::Take(data);
        if (done->printers == 0) {
          Log("no printer is installed; nothing was printed");
          // Said, then gone by itself: a page that prints in a loop must not leave boxes over the kiosk.
          MarkVisitorDialog(ShowPageBox(done->parent, TrText(kNoPrinterText), TrText(kNoticeCaption), GTK_MESSAGE_INFO,
                                        GTK_BUTTONS_OK, ScriptDialogGate::kShownMs));
          return;
        }
        ShowPrintDialog(done->view.get(), done->parent);
      },
      FALSE);
}

void WebKitKioskViews::ShowPrintDialog(WebKitWebView* view, GtkWindow* parent) {
  // The print dialog answers through its response, so the kiosk runs on while it is open; the
  // engine's own dialog would run a loop of its own.
  GtkWidget* dialog = gtk_print_unix_dialog_new(Tr("Print"), parent);
  MarkVisitorDialog(dialog);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_print_unix_dialog_set_manual_capabilities(
      GTK_PRINT_UNIX_DIALOG(dialog),
      static_cast<GtkPrintCapabilities>(GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
                                        GTK_PRINT_CAPABILITY_REVERSE | GTK_PRINT_CAPABILITY_SCALE));
  g_object_set_data_full(G_OBJECT(dialog), "panelia-view", g_object_ref(view), g_object_unref);
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer) {
                     auto* unix_dialog = GTK_PRINT_UNIX_DIALOG(d);
                     GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(unix_dialog);
                     if (response == GTK_RESPONSE_OK && printer) {
                       auto* page = WEBKIT_WEB_VIEW(g_object_get_data(G_OBJECT(d), "panelia-view"));
                       GObjectPtr<GtkPrintSettings> settings =
                           GObjectPtr<GtkPrintSettings>::Adopt(gtk_print_unix_dialog_get_settings(unix_dialog));
                       gtk_print_settings_set_printer(settings.get(), gtk_printer_get_name(printer));
                       // The operation lives until the engine says it has finished.
                       WebKitPrintOperation* print = webkit_print_operation_new(page);
                       webkit_print_operation_set_print_settings(print, settings.get());
                       webkit_print_operation_set_page_setup(print, gtk_print_unix_dialog_get_page_setup(unix_dialog));
                       g_signal_connect(print, "finished", G_CALLBACK(g_object_unref), nullptr);
                       webkit_print_operation_print(print);
                     }
                     gtk_widget_destroy(GTK_WIDGET(d));
                   }),
                   nullptr);
  gtk_widget_show(dialog);
}

}  // namespace panelia
