// The value functions that the Meridane extracts add to the generic family: fields derived
// from several columns, or fixed texts that still need their source column to exist.
#include "engine/ExpEngine.h"

XString ExpEngine::GetIsESE(ExportColumn& column) {
  bool special = !ValueText(m_spEdCodeField).IsEmpty() || !ValueText(column.Field()).IsEmpty();
  return special ? "True" : "False";
}

XString ExpEngine::GetTermGroup(ExportColumn& column) {
  XString text = ValueText(column.Field());
  text.RemoveChars(";, ");
  return text;
}

XString ExpEngine::GetDayGroup(ExportColumn&) { return "1"; }

XString ExpEngine::GetDoctorRelationship(ExportColumn&) { return "Doctor"; }

XString ExpEngine::GetConductKey(ExportColumn&) {
  return ValueText(m_keyField) + "-" + ValueText(m_conductDateField) + "-" +
         ValueText(m_conductInfractionField) + "-" + ValueText(m_conductViolationField);
}

XString ExpEngine::GetSuspensionKey(ExportColumn&) { return "SUSP"; }

XString ExpEngine::GetSuspensionType(ExportColumn&) { return "Suspension"; }
