#pragma once
// A window that mirrors one form of the form model: one Qt widget per control, at the model's
// position and size (15 twips a pixel), with its captions, tooltips, values, lists, enabled
// states and tab stops, redrawn on every change notification. The user's clicks, picks, typing,
// dates, pointer moves and focus changes go to the model, which holds all logic; the Tab keys walk
// the model's tab order. Controls the model moves off the form are outside the window.

#include <QDialog>
#include <QIcon>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "forms/form_model.hpp"

class QPainter;

namespace kx::views {

inline constexpr int kTwipsPerPixel = 15;

// Returns the pixels of a length in twips (rounded to the nearest pixel).
int Pixels(int twips);

// How one kind of form draws what the model leaves to the view: pictures, button pictures and
// any look of a control beyond its properties.
class FormLook {
 public:
  virtual ~FormLook() = default;
  // Paints the picture control `control` into `area` (the widget's own rectangle).
  virtual void PaintPicture(const forms::Control& control, QPainter& painter, const QRect& area) const;
  // Returns the picture of a button without caption; a null icon draws none.
  virtual QIcon ButtonIcon(const forms::Control& control) const;
  // Gives the freshly made widget of `control` its look (cursor, colours, frame).
  virtual void Decorate(const forms::Control& control, QWidget& widget) const;
};

class FormWindow : public QDialog {
 public:
  // Builds the window for `form`; `look` draws what the model leaves to the view. The window
  // listens to the form until it is destroyed.
  FormWindow(forms::Form& form, std::unique_ptr<FormLook> look, QWidget* parent = nullptr);
  ~FormWindow() override;

  forms::Form& Model() const { return form_; }
  // Returns the widget of `control`, or nullptr for a control without one (an image list).
  QWidget* WidgetOf(const forms::Control& control) const;
  QWidget* WidgetOf(std::string_view name) const;
  // Returns the control whose widget is `widget` or holds it, or nullptr.
  forms::Control* ControlOf(const QObject* widget) const;
  // True while a user's action is being handled by the model (the chart run among them).
  bool Busy() const { return busy_ > 0; }

  // Closes the window as Escape and the close button do, unless the model is at work.
  void reject() override;

  // Shows the window and returns when the form is hidden or unloaded, or the window was closed.
  void RunModal();
  // Returns the window that mirrors `form`, or nullptr.
  static FormWindow* Of(const forms::Form& form);

  // The controls that Tab walks now, in order: tab stop, enabled, visible and inside the window.
  std::vector<forms::Control*> TabChain() const;

 protected:
  bool focusNextPrevChild(bool next) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Build();
  QWidget* Create(forms::Control& control, QWidget* parent);
  void Connect(forms::Control& control, QWidget* widget);
  void Changed(const forms::Control* control, forms::Property property);
  void ApplyForm(forms::Property property);
  void Apply(const forms::Control& control, forms::Property property);
  void ApplyTo(QWidget& widget, const forms::Control& control, forms::Property property);
  void ApplyAll(const forms::Control& control);
  void FillList(const forms::Control& control);
  void ShowFocus();
  void Repaint(const forms::Control& control);
  // Runs a user's action on the model; failures stay in the model's own handling.
  void Forward(const std::function<void()>& action);
  void Finish();
  bool Inside(const forms::Control& control) const;

  forms::Form& form_;
  std::unique_ptr<FormLook> look_;
  int subscription_ = 0;
  std::map<const forms::Control*, QWidget*> widgets_;
  std::map<const QObject*, forms::Control*> controls_;
  std::set<QWidget*> stale_;  // widgets changed since they were last drawn
  int busy_ = 0;
  int applying_ = 0;
  bool running_ = false;
};

}  // namespace kx::views
