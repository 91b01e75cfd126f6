#include "package/SISExpHeader.h"

#include "foundation/XFile.h"

SISExpHeader::SISExpHeader(const XString& description, const XString& fileName)
    : m_description(description), m_fileName(fileName) {}

SISExpHeader::~SISExpHeader() = default;

void SISExpHeader::AddField(const XString& name) { m_fields.Add(new SISExpHeaderField(name)); }

void SISExpHeader::WriteEntry(XFile& file) const {
  file.WriteRaw("// ");
  file.Write(m_description);
  file.EndLine();
  // The names are joined here rather than written as fields, so the entry is TAB-separated
  // and unquoted whatever separator the destination file writes its data with.
  XString names;
  for (uint32_t i = 0; i < m_fields.Count(); ++i) {
    if (i > 0) names += '\t';
    names += m_fields.At(i)->Name();
  }
  file.Write(names);
  file.EndLine();
}

void SISExpHeader::WriteInclude(XFile& file) const {
  file.WriteRaw("#include \"");
  file.Write(m_fileName);
  file.WriteRaw("\"");
  file.EndLine();
}
