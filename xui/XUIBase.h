// The root of the toolkit's class tree. Windows keep a pointer to their object as an XUIBase
// in their user data; the procedures find the object's real class with a run-time type test.
#pragma once

class XUIBase {
 public:
  XUIBase() = default;
  virtual ~XUIBase() = default;
  XUIBase(const XUIBase&) = delete;
  XUIBase& operator=(const XUIBase&) = delete;
};
