#include "shell/menus.h"

#include <string>

namespace panelia {

using namespace command;

const std::vector<MenuItem>& MainMenu() {
  static const std::vector<MenuItem> menu = {
      {0,
       "文件(&F)",
       {{kNewWindow, "新建窗口(&N)\tCtrl+N", {}},
        {kOpen, "打开(&O)...\tCtrl+O", {}},
        {kSaveAs, "另存为(&A)...", {}},
        {},
        {kPageSetup, "页面设置(&R)...", {}},
        {kPrint, "打印(&P)...\tCtrl+P", {}},
        {kPrintPreview, "打印预览(&V)...", {}},
        {},
        {0, "发送(&E)", {{kMailPage, "电子邮件页面...", {}}, {kMailLink, "电子邮件链接...", {}}}},
        {kProperties, "属性...", {}},
        {kOffline, "脱机工作(&W)", {}},
        {},
        {kExit, "退出(&X)", {}}}},
      {0,
       "编辑(&E)",
       {{kCut, "剪切(&T)\tCtrl+X", {}},
        {kCopy, "复制(&C)\tCtrl+C", {}},
        {kPaste, "粘贴(&P)\tCtrl+V", {}},
        {},
        {kSelectAll, "全选(&A)\tCtrl+A", {}},
        {},
        {kFind, "在当前页查找(&F)...\tCtrl+F", {}}}},
      {0,
       "查看(&V)",
       {{kToolbar, "工具栏(&T)", {}},
        {kStatusBar, "状态栏(&S)", {}},
        {},
        {0,
         "文字大小(&X)",
         {{kTextSizeFirst, "最大(&G)", {}},
          {kTextSizeFirst + 1, "较大(&L)", {}},
          {kTextSizeFirst + 2, "中(&M)", {}},
          {kTextSizeFirst + 3, "较小(&S)", {}},
          {kTextSizeLast, "最小(&A)", {}}}},
        {0,
         "编码(&D)",
         {{kAutoSelect, "自动选择", {}},
          {},
          {kCharsetFirst, "简体中文(GB2312)", {}},
          {kCharsetFirst + 1, "繁体中文(Big5)", {}},
          {kCharsetFirst + 2, "日文(Shift-JIS)", {}},
          {kCharsetFirst + 3, "韩文", {}},
          {kCharsetFirst + 4, "西欧(Windows)", {}},
          {kCharsetLast, "Unicode(UTF-8)", {}}}},
        {0,
         "转到(&O)",
         {{kBack, "后退(&B)\tAlt+Left", {}}, {kForward, "前进(&F)\tAlt+Right", {}}, {}, {kHome, "主页(&H)", {}}}},
        {kStop, "停止(&P)\tEsc", {}},
        {kRefresh, "刷新(&R)\tF5", {}},
        {},
        {kSource, "源文件(&C)", {}},
        {kFullScreen, "全屏显示(&F)\tF11", {}}}},
      {0,
       "收藏(A)",
       {{kFavouritesFirst, "添加到收藏夹(&A)...", {}},
        {kFavouritesFirst + 1, "整理收藏夹(&O)...", {}},
        {},
        {kFavouritesFirst + 2, "链接", {}},
        {kFavouritesLast, "媒体", {}}}},
      {0, "选项(&O)", {{kInternetOptions, "Internet 选项...", {}}, {kOptions, "Panelia 选项...", {}}}},
      {0,
       "帮助(&H)",
       {{kAbout, "关于 Panelia(&A)...", {}},
        {kHelp, "Panelia帮助(&H)", {}},
        {},
        {kVisitSite, "访问 Panelia 主页(&W)", {}},
        {kWriteAuthor, "给作者写信", {}}}},
  };
  return menu;
}

const std::vector<Accelerator>& MainAccelerators() {
  constexpr unsigned C = static_cast<unsigned>(KeyModifier::Ctrl), S = static_cast<unsigned>(KeyModifier::Shift),
                     A = static_cast<unsigned>(KeyModifier::Alt), N = 0;
  static const std::vector<Accelerator> table = {
      {C, "a", kSelectAll},   {C, "c", kCopy},         {C, "Insert", kCopy},    {C, "f", kFind},
      {C, "n", kNewWindow},   {C, "o", kOpen},         {C, "p", kPrint},        {C, "s", kSave},
      {C, "v", kPaste},       {S, "Insert", kPaste},   {C, "x", kCut},          {S, "Delete", kCut},
      {C, "z", kUndo},        {A, "BackSpace", kUndo}, {N, "Escape", kStop},    {N, "F5", kRefresh},
      {N, "F6", kNextPane},   {S, "F6", kPrevPane},    {N, "F11", kFullScreen}, {A, "Left", kBack},
      {A, "Right", kForward},
  };
  return table;
}

std::string_view CommandPrompt(int id) {
  switch (id) {
    case kOptions: return "允许您更改Panelia工具设置";
    case kNewWindow: return "打开一个新的 Panelia 浏览器窗口";
    case kOpen: return "打开一个网页或文件";
    case kFullScreen: return "全屏显示或退出全屏显示";
    case kToolbar: return "显示或隐藏底部按钮栏";
    case kStatusBar: return "显示或隐藏状态栏";
    case kExit: return "退出 Panelia";
    default: return kReadyText;
  }
}

std::string_view ShortcutOf(std::string_view text) {
  size_t tab = text.find('\t');
  return tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

bool IsCheckItem(int id) {
  return id == command::kToolbar || id == command::kStatusBar ||
         (id >= command::kTextSizeFirst && id <= command::kEncodingFirst);
}

std::string MnemonicLabel(std::string_view text) {
  text = text.substr(0, text.find('\t'));
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += "__";
    } else if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<int> AcceleratorCommand(unsigned modifiers, std::string_view key) {
  for (const auto& accel : MainAccelerators())
    if (accel.modifiers == modifiers && accel.key == key) return accel.command;
  return std::nullopt;
}

}  // namespace panelia
