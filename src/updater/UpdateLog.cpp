#include "updater/UpdateLog.h"

#include <cstdlib>
#include <memory>
#include <typeinfo>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

#include "core/Exception.h"
#include "platform/ui/Application.h"

namespace updater {
namespace {

class TNullUpdateLog final : public IUpdateLog {
 public:
  void Write(const String&) override {}
};

String TypeName(const std::type_info& type) {
  const char* name = type.name();
#if defined(__GNUC__)
  int status = 0;
  const std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                         std::free);
  if (status == 0 && demangled) return FromUtf8(demangled.get());
#endif
  return FromUtf8(name);
}

}  // namespace

IUpdateLog& NullUpdateLog() {
  static TNullUpdateLog log;
  return log;
}

String ExceptionClassName(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
  return TypeName(typeid(e));
}

String DescribeException(const std::exception& e) {
  return ExceptionClassName(e) + u": " + platform::ui::ExceptionMessage(e);
}

String DescribeException(const std::exception_ptr& e) {
  if (!e) return u"(no exception kept)";
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& caught) {
    return DescribeException(caught);
  } catch (...) {
    return u"(an exception of no known class)";
  }
}

}  // namespace updater
