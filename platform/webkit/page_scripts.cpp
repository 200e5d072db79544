#include "platform/webkit/page_scripts.h"

#include "common/texts.h"

#include <glib.h>

#include "platform/gtk/gobject_ptr.h"

namespace panelia {

namespace {

// Injected into every frame, in the kiosk's world: touches report whether they hit a field that
// takes typed text, and any input counts as activity for the idle return. Events a page's script
// made (untrusted) are no visitor: a page must not hold off the next visitor's wipe.
const char* const kPageScriptBody = R"JS(
(function(closeEvent, closeMessage) {
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (!handlers || !handlers.panelia) return;
  var post = function(message) { try { handlers.panelia.postMessage(message); } catch (e) {} };
  if (window === window.top) window.addEventListener(closeEvent, function() { post(closeMessage); }, true);
  document.addEventListener('keydown', function(e) { if (e.isTrusted) post('input'); }, true);
  document.addEventListener('wheel', function(e) {
    if (e.isTrusted) post('input');
  }, {capture: true, passive: true});
  var textTypes = {'': 1, text: 1, password: 1, search: 1, email: 1, url: 1, tel: 1, number: 1};
  function isTextField(el) {
    if (!el || !el.tagName) return false;
    var tag = el.tagName.toLowerCase();
    if (tag === 'textarea') return true;
    if (tag !== 'input') return false;
    var type = (el.getAttribute('type') || '').toLowerCase();
    return textTypes.hasOwnProperty(type);
  }
  // A text field's box in the top window (through frames of the same site), for the keyboard to
  // keep clear of.
  function fieldBox(el) {
    var r = el.getBoundingClientRect(), x = r.left, y = r.top, w = window;
    try {
      while (w !== w.top && w.frameElement) {
        var f = w.frameElement.getBoundingClientRect();
        x += f.left;
        y += f.top;
        w = w.parent;
      }
    } catch (e) { return ''; }
    return ':' + Math.round(x) + ',' + Math.round(y) + ',' + Math.round(r.width) + ',' + Math.round(r.height);
  }
  function touched(target) { post(isTextField(target) ? 'touch-text' + fieldBox(target) : 'touch'); }
  // A finger reports at once (it stops a smooth scroll as it lands); its tap's emulated mouse press
  // then says nothing more.
  var fingerAt = 0;
  document.addEventListener('touchstart', function(e) {
    if (!e.isTrusted) return;
    fingerAt = Date.now();
    touched(e.target);
  }, {capture: true, passive: true});
  document.addEventListener('mousedown', function(e) {
    if (e.isTrusted && e.button === 0 && Date.now() - fingerAt > 1000) touched(e.target);
  }, true);
  document.addEventListener('DOMContentLoaded', function() {
    // The old engine's scroll="no" on the body hides the scroll bars; scripts may still scroll.
    var body = document.body;
    if (body && (body.getAttribute('scroll') || '').toLowerCase() === 'no')
      document.documentElement.style.overflow = 'hidden';
    if (window !== window.top) return;
    var last = '';
    var report = function() {
      var b = document.body || document.documentElement;
      var size = 'size:' + b.scrollWidth + ',' + b.scrollHeight + ',' + window.innerWidth + ',' + window.innerHeight;
      if (size !== last) { last = size; post(size); }
    };
    var at = function() { post('pos:' + Math.round(window.scrollX) + ',' + Math.round(window.scrollY)); };
    report();
    at();
    window.addEventListener('load', report);
    window.addEventListener('resize', report);
    window.addEventListener('scroll', at, {passive: true});
  });
})
)JS";

std::string CloseEventName(const std::string& token) {
  return "panelia-close-" + token;
}

}  // namespace

std::string PageScript(const std::string& close_token) {
  return std::string(kPageScriptBody) + "('" + CloseEventName(close_token) + "', 'close:" + close_token + "');";
}

const char* const kNoLongPressStyle = R"CSS(
* { -webkit-user-select: none !important; user-select: none !important; -webkit-touch-callout: none !important; }
input, textarea, [contenteditable], [contenteditable] * {
  -webkit-user-select: text !important; user-select: text !important;
}
a, img, [draggable] { -webkit-user-drag: none !important; }
)CSS";

const char* const kHighContrastStyle = R"CSS(
html, body, body *:where(:not(img, video, canvas, svg, svg *)) {
  background-color: #ffffff !important; background-image: none !important; color: #000000 !important;
  border-color: #000000 !important; text-shadow: none !important; box-shadow: none !important;
}
a[href], a[href] *, a[href]:visited, a[href]:visited * {
  color: #0000c8 !important; text-decoration: underline !important;
}
button, input, select, textarea {
  -webkit-appearance: none !important; appearance: none !important; border: 2px solid #000000 !important;
}
:focus, :focus-visible { outline: 4px solid #d04000 !important; outline-offset: 2px !important; }
)CSS";

const char* const kReadFromStartScript = R"JS(
(function() {
  var start = document.querySelector('h1, h2, h3, [role="heading"]') || document.body;
  if (!start) return;
  if (!start.hasAttribute('tabindex')) start.setAttribute('tabindex', '-1');
  // Focused anew even where it has the focus already: the reader hears of it only as it moves.
  if (document.activeElement === start) start.blur();
  start.focus();
  // The caret at its start: the reader reads the line the caret moved to.
  var selection = window.getSelection();
  if (selection) selection.collapse(start, 0);
})();
)JS";

// Only in the top frame: WebKit honours window.close() only for windows a script opened, so the
// page's close becomes an event the kiosk world's script hears and passes on. The event is named with
// a token no other frame knows, so an embedded page cannot send the kiosk home by raising it itself.
std::string CloseScript(const std::string& token) {
  return "(function() { var w = window; window.close = function() { w.dispatchEvent(new Event('" +
         CloseEventName(token) + "')); }; })();";
}

std::string NewToken() {
  GCharPtr token(g_uuid_string_random());
  return token.get();
}

namespace {

// A visitor's sentence in the kiosk's language, and beneath it, smaller, in English where that is
// another language.
std::string Sentence(const char* english, int english_px, std::initializer_list<std::string> values = {}) {
  const char* shown = Tr(english);
  std::string html = "<p>" + Filled(shown, values) + "</p>";
  if (shown != english)
    html += "<p style='font-size:" + std::to_string(english_px) + "px'>" + Filled(english, values) + "</p>";
  return html;
}

}  // namespace

std::string CannotShowPage() {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + std::string(Tr("This page cannot be opened")) +
         "</title></head>"
         "<body style='margin:0;height:100vh;display:flex;flex-direction:column;align-items:center;"
         "justify-content:center;background:#f4f7fb;color:#1c2733;font:30px sans-serif'>" +
         Sentence("This page cannot be shown right now.", 22) +
         "<a href='paneliagohome' style='display:block;margin-top:24px;width:520px;height:110px;line-height:110px;"
         "text-align:center;font-size:30px;background:#1d4e89;color:#fff;border-radius:16px;text-decoration:none'>" +
         ForVisitors("Home") + "</a></body></html>";
}

std::string OfflinePage(const char* reason_sentence, const std::string& next_try_clock) {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + std::string(Tr("The network is not reachable")) +
         "</title></head>"
         "<body style='margin:0;height:100vh;display:flex;flex-direction:column;align-items:center;"
         "justify-content:center;background:#f4f7fb;color:#1c2733;font:32px sans-serif'>" +
         Sentence("The network is not reachable", 24) +
         "<div style='font-size:22px;color:#4a5a6a;margin-top:12px;text-align:center'>" +
         Sentence(reason_sentence, 18) + Sentence("Trying again at {1}.", 18, {next_try_clock}) +
         "</div>"
         "<a href='paneliagohome' style='display:block;margin-top:24px;width:520px;height:110px;line-height:110px;"
         "text-align:center;font-size:30px;background:#1d4e89;color:#fff;border-radius:16px;text-decoration:none'>" +
         ForVisitors("Home") + "</a></body></html>";
}

std::string OutOfServicePage() {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + std::string(Tr("Out of service")) +
         "</title></head>"
         "<body style='margin:0;height:100vh;display:flex;flex-direction:column;align-items:center;"
         "justify-content:center;background:#f4f7fb;color:#1c2733;font:32px sans-serif'>" +
         Sentence("Temporarily out of service; please come back later.", 24) + "</body></html>";
}

std::string WaitingPage() {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + std::string(Tr("Please wait")) +
         "</title></head>"
         "<body style='margin:0;height:100vh;display:flex;align-items:center;justify-content:center;"
         "background:#f4f7fb;color:#1c2733;font:32px sans-serif'>" +
         ForVisitors("Please wait") + "</body></html>";
}

}  // namespace panelia
