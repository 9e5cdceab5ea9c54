#include "platform/ui/qt/StatusWindow.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QWidget>
#include <cstdlib>

#include "platform/ui/qt/QtText.h"

namespace platform::ui {
namespace {

// Used where the named face is not installed: a sans-serif of similar shape that
// every machine we build on carries.
constexpr char kFallbackFamily[] = "DejaVu Sans";

// The progress bar: its height, and its distance from the left, right and bottom edges of
// the client area, in pixels at 96 dpi.
constexpr int kProgressHeight = 4;
constexpr int kProgressMargin = 6;
constexpr int kProgressSteps = 1000;

QColor ColorFromRgb(unsigned rgb) {
  return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

QFont FontFromDescription(const FontDescription& font) {
  QFont result;
  result.setFamilies({ToQString(font.Name), QString::fromLatin1(kFallbackFamily)});
  if (font.Height != 0) result.setPixelSize(std::abs(font.Height));
  result.setBold(font.Bold);
  result.setItalic(false);
  result.setUnderline(false);
  return result;
}

StatusWindow::StatusWindow(const FormDescription& form) : FWidget(std::make_unique<QWidget>()) {
  // A tool window: small caption bar, a close button and nothing else.
  FWidget->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
  FWidget->setWindowTitle(ToQString(form.Caption));
  // The client area at its stored size; not resizable.
  FWidget->setFixedSize(form.ClientWidth, form.ClientHeight);
  FWidget->setFont(FontFromDescription(form.Font));

  QPalette palette = FWidget->palette();
  palette.setColor(QPalette::Window, ColorFromRgb(form.Color));
  FWidget->setPalette(palette);
  FWidget->setAutoFillBackground(true);

  FLabel = new QLabel(FWidget.get());
  FLabel->setFont(FontFromDescription(form.LabelFont));
  FLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  FLabel->setTextFormat(Qt::PlainText);
  FLabel->setAutoFillBackground(false);  // the window's background shows through
  FLabel->move(form.LabelLeft, form.LabelTop);
  SetStatusText(form.LabelCaption);

  FProgressBar = new QProgressBar(FWidget.get());
  FProgressBar->setTextVisible(false);
  FProgressBar->setGeometry(kProgressMargin, form.ClientHeight - kProgressMargin - kProgressHeight,
                            form.ClientWidth - 2 * kProgressMargin, kProgressHeight);
  FProgressBar->hide();
}

StatusWindow::~StatusWindow() = default;

void StatusWindow::SetStatusText(const String& text) {
  FLabel->setText(ToQString(text));
  // The label sizes itself to its text and keeps its top-left corner.
  FLabel->adjustSize();
}

void StatusWindow::ShowProgress(int permille) {
  if (permille < 0) {
    // A range of nothing shows activity without an amount.
    FProgressBar->setRange(0, 0);
  } else {
    FProgressBar->setRange(0, kProgressSteps);
    FProgressBar->setValue(permille);
  }
  FProgressBar->show();
}

void StatusWindow::HideProgress() {
  FProgressBar->hide();
}

}  // namespace platform::ui
