#include "package/QDEApplication.h"

#include <cstdio>
#include <cstring>

#include "foundation/XDate.h"

QDEApplication::QDEApplication() : m_buildDate(DateFromCompiler(__DATE__)) {}

XString QDEApplication::Notice() const {
  XString notice = "Copyright (c) ";
  notice += XString(XDate::Year(m_buildDate));
  if (!m_maker.IsEmpty()) {
    notice += " ";
    notice += m_maker;
  }
  notice += ". All rights reserved.";
  return notice;
}

int QDEApplication::DateFromCompiler(const char* text) {
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (text == nullptr || std::strlen(text) != 11) return XDate::kNone;
  int month = 0;
  for (int i = 0; i < 12; ++i) {
    if (std::strncmp(text, kMonths + 3 * i, 3) == 0) month = i + 1;
  }
  int day = 0, year = 0;
  if (month == 0 || std::sscanf(text + 3, "%d %d", &day, &year) != 2) return XDate::kNone;
  return XDate::FromYMD(year, month, day);
}
