#include "net/IdStack.h"

#include <atomic>
#include <bit>
#include <mutex>
#include <vector>

#include "net/IdException.h"

namespace {

std::mutex StackLock;
int StackUsers = 0;
std::unique_ptr<TIdStack> StackOwner;
std::atomic<TIdStack*> StackInstance{nullptr};

struct SocketErrorText {
  int Error;
  const char16_t* Text;
};

constexpr SocketErrorText SocketErrorTexts[] = {
    {10004, u"Unterbrochener Systemaufruf."},
    {10009, u"Falsche Dateinummer."},
    {10013, u"Zugriff verweigert."},
    {10014, u"Pufferfehler."},
    {10022, u"Ungültiges Argument."},
    {10024, u"Zu viele geöffnete Dateien."},
    {10035, u"Operation würde blockieren."},
    {10036, u"Die Operation wird gerade durchgeführt."},
    {10037, u"Operation wird bereits verarbeitet."},
    {10038, u"Socket-Operation für Nicht-Socket."},
    {10039, u"Zieladresse erforderlich."},
    {10040, u"Nachricht zu lang."},
    {10041, u"Falscher Protokolltyp für Socket."},
    {10042, u"Falsche Protokolloption."},
    {10043, u"Protokoll nicht unterstützt."},
    {10044, u"Socket-Typ wird nicht unterstützt."},
    {10045, u"Operation für Socket nicht unterstützt."},
    {10046, u"Protokollfamilie nicht unterstützt."},
    {10047, u"Die Adressfamilie wird von der Protokollfamilie nicht unterstützt."},
    {10048, u"Adresse wird bereits verwendet."},
    {10049, u"Angeforderte Adresse kann nicht zugewiesen werden."},
    {10050, u"Netzwerk ist heruntergefahren."},
    {10051, u"Netzwerk ist nicht erreichbar."},
    {10052, u"Netz hat die Verbindung verloren oder zurückgesetzt."},
    {10053, u"Software verursachte einen Verbindungsabbruch."},
    {10054, u"Die Verbindung wurde von Peer zurückgesetzt."},
    {10055, u"Kein Pufferplatz verfügbar."},
    {10056, u"Socket ist bereits verbunden."},
    {10057, u"Socket ist nicht verbunden."},
    {10058, u"Nach Schließen des Socket kann weder gesendet noch empfangen werden."},
    {10059, u"Zu viele Referenzen; keine Verbindungen möglich."},
    {10060, u"Zeitüberschreitung bei Verbindung."},
    {10061, u"Verbindung abgelehnt."},
    {10062, u"Zu viele Ebenen symbolischer Verknüpfungen."},
    {10063, u"Dateiname zu lang."},
    {10064, u"Host ist heruntergefahren."},
    {10065, u"Keine Route zum Host."},
    {10066, u"Verzeichnis ist nicht leer"},
    {11001, u"Host nicht gefunden."},
};

// A decimal number from 0 to 255, digits only.
bool ParseOctet(StringView field, std::uint8_t& value) {
  if (field.empty()) return false;
  unsigned number = 0;
  for (const char16_t c : field) {
    if (c < u'0' || c > u'9') return false;
    number = number * 10 + static_cast<unsigned>(c - u'0');
    if (number > 255) return false;
  }
  value = static_cast<std::uint8_t>(number);
  return true;
}

bool ParseHexGroup(StringView group, std::uint16_t& value) {
  if (group.empty() || group.size() > 4) return false;
  unsigned number = 0;
  for (const char16_t c : group) {
    unsigned digit = 0;
    if (c >= u'0' && c <= u'9') {
      digit = static_cast<unsigned>(c - u'0');
    } else if (c >= u'a' && c <= u'f') {
      digit = static_cast<unsigned>(c - u'a' + 10);
    } else if (c >= u'A' && c <= u'F') {
      digit = static_cast<unsigned>(c - u'A' + 10);
    } else {
      return false;
    }
    number = number * 16 + digit;
  }
  value = static_cast<std::uint16_t>(number);
  return true;
}

// The groups of one side of "::" (or of the whole address). A dotted IPv4 part is allowed
// only as the last piece when allowIPv4Tail is set, and counts as two groups.
bool ParseGroups(StringView part, bool allowIPv4Tail, std::vector<std::uint16_t>& groups) {
  if (part.empty()) return true;
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = part.find(u':', start);
    const StringView piece = part.substr(start, colon == StringView::npos ? StringView::npos : colon - start);
    const bool last = colon == StringView::npos;
    if (last && allowIPv4Tail && piece.find(u'.') != StringView::npos) {
      std::array<std::uint8_t, 4> v4{};
      for (const char16_t c : piece) {
        if (c <= u' ') return false;
      }
      if (!TIdStack::ParseIPv4(piece, v4)) return false;
      groups.push_back(static_cast<std::uint16_t>(v4[0] << 8 | v4[1]));
      groups.push_back(static_cast<std::uint16_t>(v4[2] << 8 | v4[3]));
      return true;
    }
    std::uint16_t value = 0;
    if (!ParseHexGroup(piece, value)) return false;
    groups.push_back(value);
    if (last) return true;
    start = colon + 1;
  }
}

String HexWithoutLeadingZeros(unsigned value) {
  static constexpr char16_t Digits[] = u"0123456789ABCDEF";
  String text;
  do {
    text.insert(text.begin(), Digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

// Names under the reserved top-level domain "invalid" never exist; they are answered
// here without asking any resolver.
bool IsReservedInvalidName(const String& host) {
  String name = LowerCaseAscii(host);
  if (!name.empty() && name.back() == u'.') name.pop_back();
  constexpr StringView Domain = u"invalid";
  if (name == Domain) return true;
  return name.size() > Domain.size() && name.ends_with(Domain) &&
         name[name.size() - Domain.size() - 1] == u'.';
}

template <typename T>
T ByteSwapped(T value) {
  T result = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    result = static_cast<T>((result << 8) | (value & 0xFF));
    value = static_cast<T>(value >> 8);
  }
  return result;
}

template <typename T>
T ToNetworkOrder(T value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return ByteSwapped(value);
}

}  // namespace

void TIdStack::IncUsage() {
  const std::lock_guard<std::mutex> lock(StackLock);
  if (StackUsers == 0) {
    StackOwner = MakePlatformStack();
    StackInstance.store(StackOwner.get());
  }
  ++StackUsers;
}

void TIdStack::DecUsage() {
  const std::lock_guard<std::mutex> lock(StackLock);
  if (StackUsers <= 0) return;
  if (--StackUsers == 0) {
    StackInstance.store(nullptr);
    StackOwner.reset();
  }
}

TIdStack& GlobalStack() {
  TIdStack* const stack = StackInstance.load();
  if (stack == nullptr) throw EIdStackError(u"Kein Socket-Stack vorhanden.");
  return *stack;
}

String TIdStack::ResolveHost(const String& host, TIdIPVersion ipVersion) {
  switch (ipVersion) {
    case TIdIPVersion::Id_IPv4:
      if (UpperCaseAscii(host) == u"LOCALHOST") return u"127.0.0.1";
      if (IsIP(host)) return host;
      break;
    case TIdIPVersion::Id_IPv6: {
      String canonical = MakeCanonicalIPv6Address(host);
      if (!canonical.empty()) return canonical;
      break;
    }
    default:
      throw EIdIPVersionUnsupported();
  }
  if (IsReservedInvalidName(host)) RaiseSocketError(Id_WSAHOST_NOT_FOUND);
  return LookupHostName(host, ipVersion);
}

bool TIdStack::IsIP(StringView text) {
  std::array<std::uint8_t, 4> address{};
  return ParseIPv4(text, address);
}

bool TIdStack::ParseIPv4(StringView text, std::array<std::uint8_t, 4>& address) {
  std::size_t start = 0;
  for (std::size_t field = 0; field < 4; ++field) {
    const std::size_t dot = text.find(u'.', start);
    const bool lastField = field == 3;
    // Nothing may follow the fourth field, and every earlier field ends in a dot.
    if (lastField != (dot == StringView::npos)) return false;
    const StringView piece = text.substr(start, lastField ? StringView::npos : dot - start);
    if (!ParseOctet(TrimView(piece), address[field])) return false;
    start = dot + 1;
  }
  return true;
}

bool TIdStack::ParseIPv6(StringView text, std::array<std::uint8_t, 16>& address) {
  if (text.find(u':') == StringView::npos) return false;
  std::vector<std::uint16_t> head;
  std::vector<std::uint16_t> tail;
  const std::size_t gap = text.find(u"::");
  if (gap == StringView::npos) {
    if (!ParseGroups(text, true, head) || head.size() != 8) return false;
  } else {
    if (text.find(u"::", gap + 1) != StringView::npos) return false;
    const StringView before = text.substr(0, gap);
    const StringView after = text.substr(gap + 2);
    if (!ParseGroups(before, false, head) || !ParseGroups(after, true, tail)) return false;
    // "::" stands for at least one group of zeros.
    if (head.size() + tail.size() > 7) return false;
  }
  std::array<std::uint16_t, 8> groups{};
  for (std::size_t i = 0; i < head.size(); ++i) groups[i] = head[i];
  for (std::size_t i = 0; i < tail.size(); ++i) groups[8 - tail.size() + i] = tail[i];
  for (std::size_t i = 0; i < 8; ++i) {
    address[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
    address[2 * i + 1] = static_cast<std::uint8_t>(groups[i] & 0xFF);
  }
  return true;
}

String TIdStack::FormatIPv4(const std::array<std::uint8_t, 4>& address) {
  return IntToStr(address[0]) + u"." + IntToStr(address[1]) + u"." + IntToStr(address[2]) + u"." +
         IntToStr(address[3]);
}

String TIdStack::FormatIPv6(const std::array<std::uint8_t, 16>& address) {
  String text;
  for (std::size_t i = 0; i < 8; ++i) {
    if (i > 0) text += u':';
    text += HexWithoutLeadingZeros(static_cast<unsigned>(address[2 * i] << 8 | address[2 * i + 1]));
  }
  return text;
}

String TIdStack::MakeCanonicalIPv6Address(StringView text) {
  std::array<std::uint8_t, 16> address{};
  if (!ParseIPv6(text, address)) return String();
  return FormatIPv6(address);
}

String TIdStack::WSTranslateSocketErrorMsg(int err) const {
  String text;
  for (const SocketErrorText& entry : SocketErrorTexts) {
    if (entry.Error == err) {
      text = entry.Text;
      break;
    }
  }
  return Format(SIdSocketError, {std::int64_t(err), text}) + u"\r\n";
}

int TIdStack::CheckForSocketError(int result) {
  if (result == -1) RaiseLastSocketError();
  return result;
}

void TIdStack::RaiseLastSocketError() {
  RaiseSocketError(WSGetLastError());
}

void TIdStack::RaiseSocketError(int err) const {
  if (err == Id_WSAENOTSOCK) throw EIdNotASocket(err, WSTranslateSocketErrorMsg(err));
  throw EIdSocketError(err, WSTranslateSocketErrorMsg(err));
}

std::uint16_t TIdStack::HostToNetwork(std::uint16_t value) {
  return ToNetworkOrder(value);
}
std::uint32_t TIdStack::HostToNetwork(std::uint32_t value) {
  return ToNetworkOrder(value);
}
std::uint64_t TIdStack::HostToNetwork(std::uint64_t value) {
  return ToNetworkOrder(value);
}
