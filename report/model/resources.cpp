#include "report/model/resources.h"

#include "platform/code_page.h"
#include "report/model/xml.h"

namespace kanvo {

namespace {
// Keys used by the model, the engine, the data sources and the PDF filter.
constexpr std::string_view kTable = R"xml(<?xml version="1.0" encoding="utf-8"?>
<Resources CodePage="1250">
  <StrRes Name="clErrors" Text="Nastala(y) následující chyba(y):"/>
  <StrRes Name="mbError" Text="Chyba"/>
  <StrRes Name="mbConfirm" Text="Potvrzení"/>
  <StrRes Name="mbInfo" Text="Informace"/>
  <StrRes Name="xrCantFindClass" Text="Nelze najít třídu"/>
  <StrRes Name="prDupl" Text="Duplicitní název"/>
  <StrRes Name="prInvProp" Text="Neplatná hodnota vlastnosti"/>
  <StrRes Name="prDefault" Text="Výchozí"/>
  <StrRes Name="obReport" Text="Sestava"/>
  <StrRes Name="obText" Text="Textový objekt"/>
  <StrRes Name="obSysText" Text="Systémový text"/>
  <StrRes Name="obLine" Text="Čára"/>
  <StrRes Name="obPicture" Text="Obrázek"/>
  <StrRes Name="obShape" Text="Tvar"/>
  <StrRes Name="obSubRep" Text="Podsestava"/>
  <StrRes Name="obRich" Text="Formátovaný text (RTF)"/>
  <StrRes Name="obBand" Text="Pruh"/>
  <StrRes Name="obDataBand" Text="Datový pruh"/>
  <StrRes Name="obRepPage" Text="Stránka sestavy"/>
  <StrRes Name="obDataPage" Text="Datová stránka"/>
  <StrRes Name="dbNotConn" Text="Komponenta %s není připojena k datům"/>
  <StrRes Name="dbFldNotFound" Text="Pole nenalezeno:"/>
  <StrRes Name="clDSNotExist" Text="Dataset &#34;%s&#34; neexistuje"/>
  <StrRes Name="clScrError" Text="Chyba skriptu v %s: %s"/>
  <StrRes Name="clExprError" Text="Chyba ve výrazu"/>
  <StrRes Name="clUnknownVar" Text="Neznámá proměnná, nebo datové pole:"/>
  <StrRes Name="clDecompressError" Text="Chyba při dekomprimování streamu"/>
  <StrRes Name="prRunningFirst" Text="První průchod: strana %d"/>
  <StrRes Name="prRunning" Text="Příprava stránky %d"/>
  <StrRes Name="prExporting" Text="Export stránky %d"/>
  <StrRes Name="prPrinting" Text="Tisk stránky %d"/>
  <StrRes Name="enUnconnHeader" Text="Nepřipojené záhlaví/zápatí"/>
  <StrRes Name="enUnconnGroup" Text="Žádný pruh pro skupinu"/>
  <StrRes Name="enUnconnGFooter" Text="Žádné skupinové záhlaví"/>
  <StrRes Name="enBandPos" Text="Nesprávná pozice pruhu:"/>
  <StrRes Name="Invalid password" Text="Neplatné heslo"/>
  <StrRes Name="8707" Text="Soubor Adobe PDF (*.pdf)|*.pdf"/>
  <StrRes Name="8708" Text=".pdf"/>
  <StrRes Name="PDFexport" Text="Soubor PDF"/>
</Resources>
)xml";
} // namespace

std::string_view BuiltInResourceText() {
    return kTable;
}

void TfrxResources::LoadFromText(std::string_view xml) {
    TMemoryStream stream{std::string(xml)};
    TfrxXMLDocument doc;
    doc.LoadFromStream(stream);
    TfrxXMLItem& root = doc.Root();
    int codePage = 1250;
    if (auto cp = root.Attribute("CodePage"); !cp.empty()) {
        try {
            codePage = std::stoi(cp);
        } catch (...) {
            codePage = 1250;
        }
    }
    if (!IsSupportedCodePage(codePage))
        codePage = ProcessCodePage();
    codePage_ = codePage;
    for (int i = 0; i < root.Count(); ++i) {
        TfrxXMLItem* item = root.Items(i);
        if (!AnsiSameText(item->Name, "StrRes"))
            continue;
        texts_[item->Attribute("Name")] = Utf8ToAnsi(item->Attribute("Text"), codePage);
    }
}

AnsiString TfrxResources::Get(std::string_view key) const {
    auto it = texts_.find(key);
    AnsiString text = it == texts_.end() ? AnsiString(key) : it->second;
    if (!text.empty() && text[0] == '!')
        text.erase(0, 1);
    return text;
}

TfrxResources& frxResources() {
    static TfrxResources table = [] {
        TfrxResources t;
        t.LoadFromText(kTable);
        return t;
    }();
    return table;
}

} // namespace kanvo
