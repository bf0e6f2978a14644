/*
 * One column of a recordset's current row: its name, the ADO data type the back end reports
 * for it, and its value with the conversions callers need (numbers, text, dates). Values are
 * copies; a field stays valid until its recordset moves or closes. Owned by a Recordset; the
 * thread that owns the connection.
 */
#ifndef TALLYVOL_PLATFORM_ADO_FIELD_H
#define TALLYVOL_PLATFORM_ADO_FIELD_H

#include <cstdint>
#include <ctime>
#include <string>

namespace platform::ado {

// ADO's DataTypeEnum values.
enum DataType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adFileTime = 64,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarNumeric = 139,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

class Field {
public:
    enum class Storage { kNull, kInteger, kReal, kText, kBlob };

    Field() = default;
    Field(std::string name, int type) : m_name(std::move(name)), m_type(type) {}

    const std::string& Name() const { return m_name; }
    int Type() const { return m_type; }
    Storage Holds() const { return m_storage; }
    bool IsNull() const { return m_storage == Storage::kNull; }

    // Conversions throw ComError DISP_E_TYPEMISMATCH for a NULL or for text that is not a number.
    std::int64_t AsInt64() const;
    std::uint64_t AsUInt64() const;
    int AsInt() const; // the low 32 bits, as a 32-bit variant would hold them
    double AsDouble() const;
    // Text as stored; numbers in decimal. NULL throws.
    std::string AsString() const;
    // A date and time from the text forms "YYYY-MM-DD[ HH:MM:SS[.fff]]" and "HH:MM:SS"; false
    // when the value is no such text.
    bool AsDateTime(std::tm* out) const;

    // ---- Filled by the providers ----
    void SetType(int type) { m_type = type; }
    void SetNull() { m_storage = Storage::kNull; }
    void SetInteger(std::int64_t value) {
        m_storage = Storage::kInteger;
        m_integer = value;
    }
    void SetReal(double value) {
        m_storage = Storage::kReal;
        m_real = value;
    }
    void SetText(const char* data, std::size_t size) {
        m_storage = Storage::kText;
        m_text.assign(data, size);
    }
    void SetBlob(const void* data, std::size_t size) {
        m_storage = Storage::kBlob;
        m_text.assign(static_cast<const char*>(data), size);
    }
    std::string& TextBuffer() { return m_text; }
    void MarkText() { m_storage = Storage::kText; }
    void MarkBlob() { m_storage = Storage::kBlob; }

private:
    std::string m_name;
    int m_type = adEmpty;
    Storage m_storage = Storage::kNull;
    std::int64_t m_integer = 0;
    double m_real = 0;
    std::string m_text;
};

} // namespace platform::ado

#endif
