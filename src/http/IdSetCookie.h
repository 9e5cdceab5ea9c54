#ifndef FENDREL_HTTP_IDSETCOOKIE_H
#define FENDREL_HTTP_IDSETCOOKIE_H

#include <cstdint>

#include "core/DateTime.h"
#include "core/String.h"

// One Set-Cookie value split into its name, value and the attributes this client knows, before
// anything about the request that received it is applied.
struct TIdSetCookie {
  String Name;
  String Value;
  // Max-Age, and Expires (a date, or a number of seconds read as Max-Age is): the expiry each
  // gives, in local time; a negative number of seconds gives 1 January of year 1.
  bool HasMaxAge = false;
  TDateTime MaxAgeExpiry = 0;
  bool HasExpires = false;
  TDateTime ExpiresExpiry = 0;
  // Lower-case, without one leading "." and without anything from a ":" on; empty: none.
  String Domain;
  // Empty when there is none or it does not begin with "/": the request's default path applies.
  String Path;
  bool Secure = false;
  bool HttpOnly = false;
};

// Parses a Set-Cookie value: "name=value" up to the first ";" (name and value trimmed, a value
// beginning with a double quote read up to the next one), then ";"-separated attributes whose
// names compare without regard to case; unknown or malformed attributes are ignored and the
// last valid occurrence of one counts. now and utcOffsetMinutes are the local time and its
// offset from UTC. False when the value sets no cookie: no "=" before the first ";", an empty
// name, or a control character (other than tab) in the name or value, which could otherwise
// end a later request's Cookie line early.
bool ParseSetCookie(StringView text, TDateTime now, std::int32_t utcOffsetMinutes, TIdSetCookie& result);

#endif
