#include "app/document_archive.h"

#include "platform/files.h"

namespace kanvo {

void ArchiveDocument(TZConnection& connection, const AnsiString& orderKey,
                     const AnsiString& pdfPath) {
    // The order key is escaped by the client library inside the quoted
    // literal: a key such as 1" or "1"="1 selects nothing and changes nothing.
    const AnsiString key = connection.EscapeString(orderKey);
    const AnsiString find = "select * from doklady where typ = 81 and objedavka = \"" + key + "\"";
    // "potvrzení objednávky kanvo" in Windows-1250.
    const AnsiString create = "insert into doklady set typ = 81, popis = \"potvrzen\xED "
                              "objedn\xE1vky kanvo\", cislodokladu = \"" +
                              key + "\", objedavka = \"" + key + "\"";

    TZQuery archive(connection);
    archive.SQL = {find};
    archive.Open();
    if (archive.HasNoRows()) {
        archive.Close();
        archive.SQL = {create};
        archive.Execute();
        archive.Close();
        archive.SQL = {find};
        archive.Open();
    }
    archive.BeginEdit();
    AsBlobField(archive.FieldNamed("obsah")).LoadFromFile(pdfPath);
    archive.SaveRow();
    DeleteFile(pdfPath);
    archive.Close();
}

} // namespace kanvo
