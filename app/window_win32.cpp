// The window runtime on the raw Win32 API (wide functions). Texts arrive in
// code page 936 and become UTF-16 with that code page. The quit request is
// the thread's WM_QUIT, posted when the last window is destroyed while the
// message loop runs, and a flag beside it: a message pump inside a handler
// that is not ours (Wine's WinHttp runs one while a request waits) may take
// the WM_QUIT and drop it, and the flag still ends the loop.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/window.h"
#include "runtime/code_pages.h"

namespace skinwall {
namespace {

constexpr wchar_t kWindowClass[] = L"skinwall";
// A face with Chinese glyphs; Wine is told to draw it with a font it has.
constexpr wchar_t kFontFace[] = L"SimSun";
constexpr int kFontPixels = 12;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

std::wstring Wide(const Text& text) {
  const std::u16string units = CodePageToUtf16(kCodePageGbk, text.view());
  return std::wstring(units.begin(), units.end());
}

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

class Win32WindowRuntime final : public WindowRuntime {
 public:
  ~Win32WindowRuntime() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }

  bool LoadWindow(const WindowLayout& layout, WindowHandlers handlers) override {
    if (window_ != nullptr || !RegisterWindowClass()) return false;
    handlers_ = std::move(handlers);
    name_ = layout.name;
    controls_.clear();
    font_.reset(CreateFontW(-kFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            kFontFace));

    const int left = (GetSystemMetrics(SM_CXSCREEN) - layout.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - layout.height) / 2;
    creating_ = true;
    HWND window = CreateWindowExW(0, kWindowClass, Wide(layout.title).c_str(), kWindowStyle, left, top,
                                  layout.width, layout.height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window == nullptr) {
      creating_ = false;
      return false;
    }
    int id = 1;
    for (const ControlLayout& c : layout.controls) {
      const bool button = c.kind == ControlKind::kButton;
      const DWORD style = WS_CHILD | WS_VISIBLE | (button ? WS_TABSTOP | BS_PUSHBUTTON : SS_LEFT | SS_NOPREFIX);
      HWND control = CreateWindowExW(0, button ? L"BUTTON" : L"STATIC", Wide(c.text).c_str(), style, c.left, c.top,
                                     c.width, c.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)),
                                     GetModuleHandleW(nullptr), nullptr);
      if (control == nullptr) {
        DestroyWindow(window);
        creating_ = false;
        return false;
      }
      if (font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
      controls_.emplace_back(c.name, control);
    }
    KeepOuterSize(left, top, layout.width, layout.height);
    creating_ = false;

    if (handlers_.on_create) handlers_.on_create();
    if (window_ == nullptr) return false;  // the handler closed it
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    return true;
  }

  bool WindowExists(const Text& window) const override { return window_ != nullptr && window == name_; }

  void CloseWindow(const Text& window) override {
    if (WindowExists(window)) SendMessageW(window_, WM_CLOSE, 0, 0);
  }

  void RunMessageLoop() override {
    if (window_ == nullptr) return;
    loop_running_ = true;
    MSG msg;
    while (!quit_requested_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the request is taken, wherever it was
    loop_running_ = false;
    quit_requested_ = false;
  }

  void SetCaption(const Text& window, const Text& control, const Text& caption) override {
    if (!WindowExists(window)) return;
    for (const auto& [name, handle] : controls_) {
      if (name == control) SetWindowTextW(handle, Wide(caption).c_str());
    }
  }

  void ProcessEvents() override {
    if (quit_requested_) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // arrived in between: it stays for the loop
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  void ShowErrorBox(const Text& caption, const Text& message) override {
    MessageBoxW(window_, Wide(message).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONERROR);
  }

 private:
  static bool RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32WindowRuntime::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Win32WindowRuntime*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    }
    auto* self = reinterpret_cast<Win32WindowRuntime*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      switch (message) {
        case WM_COMMAND:
          if (HIWORD(wparam) == BN_CLICKED) self->OnClick(reinterpret_cast<HWND>(lparam));
          return 0;
        case WM_DESTROY:
          self->OnDestroy(window);
          return 0;
        default:
          break;
      }
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  void OnClick(HWND control) {
    if (creating_ || !handlers_.on_click) return;
    for (const auto& [name, handle] : controls_) {
      if (handle == control) {
        const Text clicked = name;  // the handler may run long and re-enter
        handlers_.on_click(clicked);
        return;
      }
    }
  }

  void OnDestroy(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (window != window_) return;
    window_ = nullptr;
    controls_.clear();
    if (loop_running_) {
      quit_requested_ = true;
      PostQuitMessage(0);
    }
  }

  // A frame that came out of another size is moved and sized to the stated one.
  void KeepOuterSize(int left, int top, int width, int height) {
    RECT frame;
    if (!GetWindowRect(window_, &frame)) return;
    if (frame.left == left && frame.top == top && frame.right - frame.left == width &&
        frame.bottom - frame.top == height) {
      return;
    }
    SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  WindowHandlers handlers_;
  Text name_;
  HWND window_ = nullptr;
  std::vector<std::pair<Text, HWND>> controls_;
  FontHandle font_;
  bool creating_ = false;
  bool loop_running_ = false;
  bool quit_requested_ = false;
};

}  // namespace

std::unique_ptr<WindowRuntime> CreateWindowRuntime() { return std::make_unique<Win32WindowRuntime>(); }

}  // namespace skinwall
