#include "platform/ui/Application.h"

#include "core/Exception.h"

namespace platform::ui {

String ExceptionMessage(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return FromUtf8(e.what());
}

String ExceptionClassName(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
  return u"Exception";
}

String ErrorDialogText(const String& message) {
  if (!message.empty() && message.back() > u'.') return message + u'.';
  return message;
}

TApplication::TApplication(IUserInterface& ui, String title) : FUI(ui), FTitle(std::move(title)) {}

void TApplication::HandleException(const std::exception& e) {
  FUI.ErrorDialog(FTitle, ErrorDialogText(ExceptionMessage(e)));
}

void TApplication::Run(const std::function<void()>& onActivate) {
  FUI.Run([this, &onActivate] {
    try {
      onActivate();
    } catch (const std::exception& e) {
      HandleException(e);
    }
  });
}

void TApplication::ShowStartupException(const std::exception& e, const String& moduleName) {
  // The code address is not known on this platform; the report gives it as zero.
  const String message = ExceptionMessage(e);
  String text =
      u"Exception " + ExceptionClassName(e) + u" in Modul " + moduleName + u" bei 00000000.\r\n" + message;
  if (!message.empty() && message.back() != u'.') text += u'.';
  text += u"\r\n";
  FUI.ErrorDialog(u"Anwendungsfehler", text);
}

}  // namespace platform::ui
