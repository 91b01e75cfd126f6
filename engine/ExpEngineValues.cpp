// The value functions that the Meridane extracts add to the generic family: fields derived
// from several columns, or fixed texts that still need their source column to exist.
#include "engine/ExpEngine.h"

namespace {

XString Text(ExpEngine& engine, DataAccessField* field) {
  XString text = engine.GetFieldTrimmed(field);
  text.Trim();
  return text;
}

}  // namespace

XString ExpEngine::GetIsESE(ExportColumn& column) {
  bool special = !Text(*this, m_spEdCodeField).IsEmpty() || !Text(*this, column.Field()).IsEmpty();
  return special ? "True" : "False";
}

XString ExpEngine::GetTermGroup(ExportColumn& column) {
  XString text = Text(*this, column.Field());
  text.RemoveChars(";, ");
  return text;
}

XString ExpEngine::GetDayGroup(ExportColumn&) { return "1"; }

XString ExpEngine::GetDoctorRelationship(ExportColumn&) { return "Doctor"; }

XString ExpEngine::GetConductKey(ExportColumn&) {
  return Text(*this, m_keyField) + "-" + Text(*this, m_conductDateField) + "-" +
         Text(*this, m_conductInfractionField) + "-" + Text(*this, m_conductViolationField);
}

XString ExpEngine::GetSuspensionKey(ExportColumn&) { return "SUSP"; }

XString ExpEngine::GetSuspensionType(ExportColumn&) { return "Suspension"; }
