#include "core/Exception.h"

Exception::Exception(String message) : FMessage(std::move(message)), FUtf8(ToUtf8(FMessage)) {}

void Exception::SetMessage(String message) {
  FMessage = std::move(message);
  FUtf8 = ToUtf8(FMessage);
}
