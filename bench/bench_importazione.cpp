// Importing 40000 records from each table format: TXT and XLS as the program saves them, CSV as a
// spreadsheet exports it, XLSX and ODS as a spreadsheet program packs them (shared strings, numbers
// for postal codes, telephones and coordinates, deflated parts).
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zip.h>

#include "app/form.h"
#include "io/file_testo.h"

namespace {
constexpr long kRecord = 40000;

struct Riga {
    QString nome, via, citta, pr;
    long cap, tel;
    double lat, lon;
};

Riga Dato(long i) {
    static const char* const pr[][2] = {{"Milano", "MI"}, {"Roma", "RM"}, {"Bologna", "BO"}, {"Napoli", "NA"}, {"Torino", "TO"}};
    const auto& p = pr[i % 5];
    return {QStringLiteral("Farmacia %1 di Rossi s.n.c.").arg((i * 7919) % kRecord), QStringLiteral("Via Garibaldi, %1").arg(i % 300),
            QString::fromLatin1(p[0]), QString::fromLatin1(p[1]), 100 + i % 900, 61000000 + i, 41.0 + (i % 1000) / 1000.0,
            12.0 + (i % 997) / 1000.0};
}

QString Xml(QString s) { return s.replace(u'&', QLatin1String("&amp;")).replace(u'<', QLatin1String("&lt;")); }

bool Zip(const QString& percorso, const QList<std::pair<const char*, QByteArray>>& parti) {
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(percorso).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) return false;
    for (const auto& [nome, dati] : parti) {
        zip_source_t* s = zip_source_buffer(z, dati.constData(), zip_uint64_t(dati.size()), 0);
        if (!s || zip_file_add(z, nome, s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

QByteArray Txt() {
    QByteArray b = ";Nome/Ragione Sociale\tIndirizzo\tCap\tCitta\tPr\tTelefono\tLatitudine\tLongitudine\t\r\n";
    for (long i = 0; i < kRecord; ++i) {
        const Riga r = Dato(i);
        b += gm::CodificaWin1252(QStringLiteral("%1\t%2\t%3\t%4\t%5\t0%6\t%7\t%8\t\r\n")
                                 .arg(r.nome, r.via, QString::number(r.cap).rightJustified(5, u'0'), r.citta, r.pr)
                                 .arg(r.tel)
                                 .arg(r.lat, 0, 'f', 5)
                                 .arg(r.lon, 0, 'f', 5));
    }
    return b;
}

QByteArray Csv() {
    QByteArray b = "Nome;Indirizzo;Cap;Citta;Pr;Telefono;Latitudine;Longitudine\r\n";
    for (long i = 0; i < kRecord; ++i) {
        const Riga r = Dato(i);
        b += QStringLiteral("%1;\"%2\";%3;%4;%5;%6;%7;%8\r\n")
                 .arg(r.nome, r.via, QString::number(r.cap), r.citta, r.pr)
                 .arg(r.tel)
                 .arg(QString::number(r.lat, 'f', 5).replace(u'.', u','))
                 .arg(QString::number(r.lon, 'f', 5).replace(u'.', u','))
                 .toUtf8();
    }
    return b;
}

bool Xlsx(const QString& percorso) {
    QStringList sst;
    QHash<QString, int> indice;
    auto s = [&](const QString& t) {
        auto it = indice.find(t);
        if (it == indice.end()) {
            it = indice.insert(t, int(sst.size()));
            sst.append(t);
        }
        return *it;
    };
    QString foglio = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>");
    for (long i = 0; i < kRecord; ++i) {
        const Riga r = Dato(i);
        const long n = i + 1;
        foglio += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>%2</v></c><c r=\"B%1\" t=\"s\"><v>%3</v></c>"
                                 "<c r=\"C%1\"><v>%4</v></c><c r=\"D%1\" t=\"s\"><v>%5</v></c><c r=\"E%1\" t=\"s\"><v>%6</v></c>"
                                 "<c r=\"F%1\"><v>%7</v></c><c r=\"G%1\"><v>%8</v></c><c r=\"H%1\"><v>%9</v></c></row>")
                      .arg(n)
                      .arg(s(r.nome))
                      .arg(s(r.via))
                      .arg(r.cap)
                      .arg(s(r.citta))
                      .arg(s(r.pr))
                      .arg(r.tel)
                      .arg(r.lat, 0, 'g', 10)
                      .arg(r.lon, 0, 'g', 10);
    }
    foglio += QStringLiteral("</sheetData></worksheet>");
    QString testi = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    for (const QString& t : sst) testi += QStringLiteral("<si><t>") + Xml(t) + QStringLiteral("</t></si>");
    testi += QStringLiteral("</sst>");
    return Zip(percorso, {{"xl/workbook.xml", "<workbook><sheets><sheet name=\"Foglio1\" sheetId=\"1\" r:id=\"rId1\" "
                                              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"/></sheets></workbook>"},
                          {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                          {"xl/sharedStrings.xml", testi.toUtf8()},
                          {"xl/worksheets/sheet1.xml", foglio.toUtf8()}});
}

bool Ods(const QString& percorso) {
    QString c = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
        "<office:body><office:spreadsheet><table:table table:name=\"Foglio1\">");
    auto t = [](const QString& s) {
        return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>") + Xml(s) + QStringLiteral("</text:p></table:table-cell>");
    };
    auto v = [](double x) {
        const QString n = QString::number(x, 'g', 10);
        return QStringLiteral("<table:table-cell office:value-type=\"float\" office:value=\"%1\"><text:p>%1</text:p></table:table-cell>").arg(n);
    };
    for (long i = 0; i < kRecord; ++i) {
        const Riga r = Dato(i);
        c += QStringLiteral("<table:table-row>") + t(r.nome) + t(r.via) + v(double(r.cap)) + t(r.citta) + t(r.pr) + v(double(r.tel)) +
             v(r.lat) + v(r.lon) + QStringLiteral("</table:table-row>");
    }
    c += QStringLiteral("</table:table></office:spreadsheet></office:body></office:document-content>");
    return Zip(percorso, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", c.toUtf8()}});
}

struct Banco {
    QTemporaryDir dir;
    gm::DialoghiRegistrati d;
    gm::Form f{d};
    Banco() {
        f.av.cedi = [] {};
        f.Form_Load(dir.path());
    }
};

void Importa(benchmark::State& s, const char* est) {
    Banco b;
    const QString percorso = b.dir.filePath(QStringLiteral("Farmacie.") + QLatin1String(est));
    const QByteArray e(est);
    bool ok = e == "txt" ? gm::ScriviFileAtomico(percorso, Txt())
              : e == "csv" ? gm::ScriviFileAtomico(percorso, Csv())
              : e == "xlsx" ? Xlsx(percorso)
              : e == "ods" ? Ods(percorso)
                           : false;
    if (e == "xls") {
        // As the program saves it.
        for (long i = 0; i < kRecord; ++i) {
            const Riga r = Dato(i);
            b.f.tab.AggiungiRecord({r.nome, r.via, QString::number(r.cap).rightJustified(5, u'0'), r.citta, r.pr,
                                    QStringLiteral("0%1").arg(r.tel), QString::number(r.lat, 'f', 5), QString::number(r.lon, 'f', 5)});
        }
        b.f.c.txtCosa.setText(QStringLiteral("Farmacie"));
        b.f.c.txtDupl.setText(QStringLiteral("0"));
        b.f.c.cmbCancella.setText(QStringLiteral("Farmacie"));
        b.f.c.chkOutput[0]->setValue(false);
        b.f.c.chkOutput[1]->setValue(true);
        b.f.c.chkOutput[2]->setValue(false);
        b.f.salva.SalvaFile(1);
        ok = QFile::copy(b.f.amb.sCartellaScaricati + QStringLiteral("Farmacie.xls"), percorso);
    }
    if (!ok) {
        s.SkipWithError("could not write the table");
        return;
    }
    b.f.c.optIntegr[0]->setValue(true);
    const QString mappa = e == "txt" ? QString() : QStringLiteral("0=0,1=1,2=2,3=3,4=4,5=5,6=6,7=7");
    for (auto _ : s) {
        QString errore;
        if (!b.f.imp.ImportaTabella(percorso, mappa, &errore)) s.SkipWithError(qPrintable(errore));
        if (b.f.tab.nRecord != kRecord) s.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(b.f.tab.nRecord);
    }
    s.counters["record"] = double(b.f.tab.nRecord);
    s.counters["MB"] = double(QFileInfo(percorso).size()) / 1e6;
}
}  // namespace

static void BM_Importa40000(benchmark::State& s, const char* est) { Importa(s, est); }
BENCHMARK_CAPTURE(BM_Importa40000, txt, "txt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Importa40000, csv, "csv")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Importa40000, xls, "xls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Importa40000, xlsx, "xlsx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Importa40000, ods, "ods")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
