// The byte scanner of the large workbook parts, and the readers on what Excel and LibreOffice
// write that the fixtures do not show: prefixes, either quote, references, repeated cells.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <zip.h>

#include "io/scansione_xml.h"
#include "io/xls.h"
#include "strumenti.h"

using namespace gm;

namespace {
// The events of a document in short: "<a", ">a", "'text'", "!" on damage.
QString Eventi(const QByteArray& xml) {
    ScansioneXml x(xml);
    QString r;
    QByteArray t;
    for (;;) {
        switch (x.avanti()) {
        case ScansioneXml::Fine:
            return r;
        case ScansioneXml::Guasto:
            return r + u'!';
        case ScansioneXml::Apertura:
            r += u'<' + QString::fromUtf8(x.nome());
            if (x.attributo("v", t)) r += u'[' + QString::fromUtf8(t) + u']';
            break;
        case ScansioneXml::Chiusura:
            r += u'>' + QString::fromUtf8(x.nome());
            break;
        case ScansioneXml::Testo:
            t.clear();
            x.testo(t, 1000);
            r += u'\'' + QString::fromUtf8(t) + u'\'';
            break;
        }
    }
}

QVector<QStringList> Leggi(const QString& percorso, const QList<std::pair<const char*, QByteArray>>& parti) {
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(percorso).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) return {};
    for (const auto& [nome, dati] : parti) {
        zip_source_t* s = zip_source_buffer(z, dati.constData(), zip_uint64_t(dati.size()), 0);
        if (!s || zip_file_add(z, nome, s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(z);
            return {};
        }
    }
    if (zip_close(z) != 0) return {};
    FoglioXls foglio;
    if (!LeggiXls(percorso, kXlsMaxRighe, 8, foglio, nullptr)) return {};
    return test::Righe(foglio);
}
}  // namespace

TEST(ScansioneXml, EventsAndDamage) {
    const struct {
        const char* xml;
        const char* atteso;
    } casi[] = {
        {"<?xml version='1.0'?><!-- c --><a><b v='1'/>x</a>", "<a<b[1]>b'x'>a"},
        {"<p:a p:v=\"&lt;&amp;&#65;&#x42;&quot;&apos;\" w='\"'/>", "<a[<&AB\"']>a"},
        {"<a v = 'x\ty\r\nz' >t&gt;&unknown;&#0;</a >", "<a[x y z]'t>&unknown;\xEF\xBF\xBD'>a"},
        {"<a>r\r\ns<![CDATA[<&x>]]></a>", "<a'r\ns''<&x>'>a"},
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", "<a'&e;'>a"},
        {"\xEF\xBB\xBF<a/>", "<a>a"},
        {"<a><b></a>", "<a<b!"},
        {"<a v='1' v2=2/>", "!"},
        {"<a v='1'w='2'/>", "!"},
        {"<a v='<'/>", "!"},
        {"<a><!-- open", "<a!"},
        {"<a", "!"},
        {"</a>", "!"},
        {"<a>x", "<a'x'"},  // a cut document ends; its reader decides
        {"<>", "!"},
    };
    for (const auto& c : casi) EXPECT_EQ(Eventi(c.xml), QString::fromUtf8(c.atteso)) << c.xml;

    QByteArray profondo;
    for (int k = 0; k < 2000; ++k) profondo += "<a>";
    EXPECT_TRUE(Eventi(profondo).endsWith(u'!'));
}

TEST(ScansioneXml, ElementTextSkipsAndBounds) {
    ScansioneXml x("<si><r><t>Gr&#252;</t></r><rPh><t>skip</t></rPh><r><t xml:space='preserve'>&#223;e </t></r></si><n/>");
    ASSERT_EQ(x.avanti(), ScansioneXml::Apertura);
    QByteArray t;
    ASSERT_TRUE(x.testoElemento(t, 100, {"rPh"}));
    EXPECT_EQ(QString::fromUtf8(t), QString::fromUtf8("Grüße "));
    ASSERT_EQ(x.avanti(), ScansioneXml::Apertura);
    EXPECT_TRUE(x.nome("n"));

    ScansioneXml y("<v>0123456789&amp;</v>");
    y.avanti();
    t.clear();
    ASSERT_TRUE(y.testoElemento(t, 4));
    EXPECT_EQ(t, "0123");
}

// Sheets as Excel and LibreOffice may write them, beyond the fixtures.
TEST(ScansioneXml, WorkbooksAsSpreadsheetProgramsWriteThem) {
    QTemporaryDir dir;
    const QByteArray lavoro = "<x:workbook xmlns:x='m' xmlns:r='r'><x:sheets><x:sheet name='a' r:id='i1'/></x:sheets></x:workbook>";
    const QByteArray rel = "<Relationships><Relationship Target=\"worksheets/sheet1.xml\" Id=\"i1\"/></Relationships>";
    const QByteArray testi = "<x:sst xmlns:x='m'><x:si><x:t>Caf&#233; &amp; Bar</x:t></x:si><x:si><x:r><x:t>Due</x:t></x:r>"
                             "<x:rPh><x:t>no</x:t></x:rPh></x:si></x:sst>";
    const QByteArray foglio =
        "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\r\n<x:worksheet xmlns:x='m'><x:sheetData>"
        "<x:row r='1' spans='1:4'><x:c t='s' r='A1'><x:v>0</x:v></x:c><x:c r=\"B1\" s='0' t=\"s\"><x:v>1</x:v></x:c>"
        "<x:c r='C1' t='inlineStr'><x:is><x:t>in &lt;riga&gt;</x:t></x:is></x:c><x:c r='D1'/><x:c r='E1' t='b'><x:v>1</x:v></x:c></x:row>"
        "<x:row r='3'><x:c r='B3'><x:f>1+1</x:f><x:v>2</x:v></x:c><x:c><x:v> 4.5E1 </x:v></x:c><x:c t='str'><x:v>f&#10;g</x:v></x:c>"
        "<x:c t='e'><x:v>#N/A</x:v></x:c></x:row>"
        "<x:row><x:c r='a4'><x:v>+7</x:v></x:c><x:c r='B4' t='s'><x:v>9</x:v></x:c></x:row>"
        "</x:sheetData></x:worksheet>";
    const QVector<QStringList> xlsx = Leggi(dir.filePath("a.xlsx"), {{"xl/workbook.xml", lavoro},
                                                                      {"xl/_rels/workbook.xml.rels", rel},
                                                                      {"xl/sharedStrings.xml", testi},
                                                                      {"xl/worksheets/sheet1.xml", foglio}});
    const QVector<QStringList> attesoXlsx = {
        {QString::fromUtf8("Café & Bar"), "Due", "in <riga>", "", "VERO"}, {}, {"", "2", "45", "f\ng"}, {"7"}};
    EXPECT_EQ(xlsx, attesoXlsx);

    const QByteArray contenuto =
        "<office:document-content xmlns:office='o' xmlns:table='t' xmlns:text='x'><office:body><office:spreadsheet>"
        "<table:table table:name='Altro'><table:table-row><table:table-cell office:value-type='string'><text:p>no</text:p>"
        "</table:table-cell></table:table-row></table:table>"
        "<table:table table:name=\"Foglio1\"><table:table-column table:number-columns-repeated='3'/>"
        "<table:table-header-rows><table:table-row><table:table-cell table:number-columns-repeated='2' office:value-type='string'>"
        "<text:p>A<text:s text:c='2'/>b<text:span text:style-name='T1'>c</text:span></text:p><text:p>d</text:p>"
        "<office:annotation><text:p>nota</text:p></office:annotation></table:table-cell>"
        "<table:table-cell office:value='12.5' calcext:value-type='float' office:value-type='float'><text:p>12,50</text:p></table:table-cell>"
        "</table:table-row></table:table-header-rows>"
        "<table:table-row table:number-rows-repeated='2'><table:table-cell/><table:table-cell office:value-type='date' "
        "office:date-value='2024-03-15T10:30:00'/><table:table-cell office:value-type='boolean' office:boolean-value='false'/>"
        "<table:covered-table-cell office:string-value='s&amp;v'/></table:table-row>"
        "<table:table-row table:number-rows-repeated='1048570'><table:table-cell/></table:table-row>"
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    const QByteArray impostazioni =
        "<office:document-settings xmlns:office='o' xmlns:config='c'><config:config-item config:name='ActiveTable' "
        "config:type='string'>Foglio1</config:config-item></office:document-settings>";
    const QVector<QStringList> ods =
        Leggi(dir.filePath("a.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                      {"content.xml", contenuto},
                                      {"settings.xml", impostazioni}});
    const QStringList data = {"", "15/03/2024 10:30:00", "FALSO", "s&v"};
    const QVector<QStringList> attesoOds = {{"A  bc d", "A  bc d", "12.5"}, data, data};
    EXPECT_EQ(ods, attesoOds);
}
