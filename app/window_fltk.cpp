// The window runtime on FLTK. Texts arrive in code page 936 and are handed to
// FLTK in UTF-8. A quit request is a flag: set when the last window goes
// while the loop runs, it stays set until the loop takes it.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/window.h"
#include "runtime/source_text.h"

namespace skinwall {
namespace {

// A CJK font is chosen for the standard face: FLTK draws no glyph of another font.
constexpr const char* kFontName = " WenQuanYi Micro Hei";
constexpr int kFontSize = 12;

struct WidgetDeleter {
  void operator()(Fl_Window* window) const { delete window; }  // deletes its child widgets too
};

class FltkWindowRuntime final : public WindowRuntime {
 public:
  FltkWindowRuntime() {
    Fl::set_font(FL_HELVETICA, kFontName);
    Fl::visual(FL_RGB);
  }

  ~FltkWindowRuntime() override {
    if (window_) window_->hide();
  }

  bool LoadWindow(const WindowLayout& layout, WindowHandlers handlers) override {
    handlers_ = std::move(handlers);
    name_ = layout.name;
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_xywh(sx, sy, sw, sh, 0);
    width_ = layout.width;
    height_ = layout.height;
    window_.reset(new Fl_Window(sx + (sw - width_) / 2, sy + (sh - height_) / 2, width_, height_));
    window_->copy_label(TextToUtf8(layout.title).c_str());
    window_->size_range(width_, height_, width_, height_);
    window_->xclass("skinwall");
    window_->callback(&FltkWindowRuntime::OnWindowEvent, this);
    for (const ControlLayout& c : layout.controls) {
      Fl_Widget* widget = nullptr;
      if (c.kind == ControlKind::kButton) {
        widget = new Fl_Button(c.left, c.top, c.width, c.height);
        widget->callback(&FltkWindowRuntime::OnButton, this);
      } else {
        widget = new Fl_Box(c.left, c.top, c.width, c.height);
        widget->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
      }
      widget->labelsize(kFontSize);
      widget->copy_label(TextToUtf8(c.text).c_str());
      controls_.emplace_back(c.name, widget);
    }
    window_->end();
    if (handlers_.on_create) handlers_.on_create();
    window_->show();
    KeepOuterSize();
    return window_->shown();
  }

  bool WindowExists(const Text& window) const override { return window_ && !closed_ && window == name_; }

  void CloseWindow(const Text& window) override {
    if (!WindowExists(window)) return;
    window_->hide();
    closed_ = true;
    if (loop_running_) quit_requested_ = true;
  }

  void RunMessageLoop() override {
    if (!WindowExists(name_)) return;
    loop_running_ = true;
    while (!quit_requested_) Fl::wait();
    loop_running_ = false;
    quit_requested_ = false;
  }

  void SetCaption(const Text& window, const Text& control, const Text& caption) override {
    if (!WindowExists(window)) return;
    for (auto& [name, widget] : controls_) {
      if (name == control) {
        widget->copy_label(TextToUtf8(caption).c_str());
        widget->redraw();
      }
    }
  }

  void ProcessEvents() override {
    if (quit_requested_) return;
    Fl::check();
  }

  void ShowErrorBox(const Text& caption, const Text& message) override {
    const std::string title = TextToUtf8(caption);
    fl_message_title(title.c_str());
    const char* close = fl_close;
    fl_close = "OK";
    fl_alert("%s", TextToUtf8(message).c_str());
    fl_close = close;
  }

 private:
  static void OnWindowEvent(Fl_Widget*, void* self) {
    auto* runtime = static_cast<FltkWindowRuntime*>(self);
    // A Win32 window is not closed by Escape; neither is this one.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    runtime->CloseWindow(runtime->name_);
  }

  static void OnButton(Fl_Widget* widget, void* self) {
    auto* runtime = static_cast<FltkWindowRuntime*>(self);
    for (auto& [name, control] : runtime->controls_) {
      if (control == widget && runtime->handlers_.on_click) {
        const Text clicked = name;  // the handler may run long and re-enter
        runtime->handlers_.on_click(clicked);
        return;
      }
    }
  }

  // A window manager's frame must fit within the stated outer size: the
  // client area shrinks by the frame's width and height.
  void KeepOuterSize() {
    Fl::flush();
    const int frame_w = window_->decorated_w() - window_->w();
    const int frame_h = window_->decorated_h() - window_->h();
    if (frame_w <= 0 && frame_h <= 0) return;
    const int w = width_ - frame_w, h = height_ - frame_h;
    window_->size_range(w, h, w, h);
    window_->size(w, h);
  }

  WindowHandlers handlers_;
  Text name_;
  int width_ = 0, height_ = 0;
  std::unique_ptr<Fl_Window, WidgetDeleter> window_;
  std::vector<std::pair<Text, Fl_Widget*>> controls_;
  bool closed_ = false;
  bool loop_running_ = false;
  bool quit_requested_ = false;
};

}  // namespace

std::unique_ptr<WindowRuntime> CreateWindowRuntime() { return std::make_unique<FltkWindowRuntime>(); }

}  // namespace skinwall
