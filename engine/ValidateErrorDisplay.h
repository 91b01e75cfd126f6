// What the owner window offers the engine: its display of a validation error (a message and
// the offending value).
#pragma once

class IValidateErrorDisplay {
 public:
  virtual ~IValidateErrorDisplay() = default;
  virtual void ShowValidateError(const char* message, const char* value) = 0;
};
