// glib headers first: they use "signals" as a name, which Qt defines as a macro.
#include <freexl.h>
#include <gsf/gsf.h>

#include "io/xls.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace gm {

namespace {

constexpr int kMaxDatiRecord = 8224;
constexpr qint64 kMaxFileXls = 128LL * 1024 * 1024;
// Bounds of the child process that reads a workbook.
constexpr qint64 kMsLetturaXls = 60000;
constexpr qsizetype kMaxRisultatoXls = 512LL * 1024 * 1024;

void U8(QByteArray& b, quint8 v) { b.append(char(v)); }
void U16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void U32(QByteArray& b, quint32 v) {
    U16(b, quint16(v & 0xFFFF));
    U16(b, quint16(v >> 16));
}
void Metti32(QByteArray& b, int pos, quint32 v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = char((v >> (8 * i)) & 0xFF);
}

void Record(QByteArray& flusso, quint16 tipo, const QByteArray& dati) {
    U16(flusso, tipo);
    U16(flusso, quint16(dati.size()));
    flusso.append(dati);
}

QByteArray Bof(quint16 tipo) {
    QByteArray d;
    U16(d, 0x0600);
    U16(d, tipo);
    U16(d, 0x0DBB);  // build
    U16(d, 0x07CC);  // year
    U32(d, 0);
    U32(d, 0x00000006);
    return d;
}

bool Alto(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0xFF) return true;
    return false;
}

// Short string with one-byte length (font and sheet names), compressed.
QByteArray StringaBreve(const char* s) {
    QByteArray d;
    U8(d, quint8(std::strlen(s)));
    U8(d, 0);
    d.append(s);
    return d;
}

QByteArray Font() {
    QByteArray d;
    U16(d, 200);     // height in twentieths of a point
    U16(d, 0);       // attributes
    U16(d, 0x7FFF);  // automatic colour
    U16(d, 400);     // normal weight
    U16(d, 0);       // no super/subscript
    U8(d, 0);        // no underline
    U8(d, 0);        // family
    U8(d, 0);        // character set
    U8(d, 0);
    d.append(StringaBreve("Arial"));
    return d;
}

QByteArray Xf(bool stile) {
    QByteArray d;
    U16(d, 0);                      // font
    U16(d, stile ? 0 : 49);         // number format; 49 is "@", text
    U16(d, stile ? 0xFFF5 : 0x0001);  // locked; style XF with no parent, or cell XF of style 0
    U8(d, 0x20);                    // bottom aligned
    U8(d, 0);                       // rotation
    U8(d, 0);                       // indent
    U8(d, stile ? 0xF4 : 0x04);     // attributes in use (cell XF: its own number format)
    U32(d, 0);                      // borders
    U32(d, 0);
    U16(d, 0x20C0);                 // pattern colours
    return d;
}

// Shared string table with its CONTINUE records, and the EXTSST index after it.
void ScriviSst(QByteArray& flusso, const QStringList& stringhe, quint32 totale) {
    const int unici = int(stringhe.size());
    const int perGruppo = std::max(8, unici / 128 + 1);
    QByteArray ext;
    U16(ext, quint16(perGruppo));

    int inizioRecord = int(flusso.size());
    QByteArray dati;
    U32(dati, totale);
    U32(dati, quint32(unici));
    bool primo = true;
    auto chiudi = [&] {
        Record(flusso, primo ? 0x00FC : 0x003C, dati);
        primo = false;
        dati.clear();
        inizioRecord = int(flusso.size());
    };

    for (int i = 0; i < unici; ++i) {
        const QString& s = stringhe[i];
        const bool alto = Alto(s);
        const int perCarattere = alto ? 2 : 1;
        if (kMaxDatiRecord - dati.size() < 3 + (s.isEmpty() ? 0 : perCarattere)) chiudi();
        if (i % perGruppo == 0) {
            const int nelRecord = 4 + int(dati.size());
            U32(ext, quint32(inizioRecord + nelRecord));
            U16(ext, quint16(nelRecord));
            U16(ext, 0);
        }
        U16(dati, quint16(s.size()));
        U8(dati, alto ? 1 : 0);
        int fatto = 0;
        while (fatto < s.size()) {
            const int posto = int(kMaxDatiRecord - dati.size()) / perCarattere;
            if (posto == 0) {
                chiudi();
                U8(dati, alto ? 1 : 0);  // a string split across records restarts with its flags
                continue;
            }
            const int n = std::min<int>(posto, int(s.size()) - fatto);
            for (int k = fatto; k < fatto + n; ++k) {
                const char16_t u = s[k].unicode();
                if (alto)
                    U16(dati, u);
                else
                    U8(dati, quint8(u));
            }
            fatto += n;
        }
    }
    chiudi();
    Record(flusso, 0x00FF, ext);
}

}  // namespace

QByteArray FlussoBiff8(const QVector<QStringList>& righe) {
    const int nRighe = std::min<int>(int(righe.size()), kXlsMaxRighe);

    // Shared strings in order of first use, and the cells that point at them.
    // A cheap hash is enough for cell texts; one look-up per cell.
    struct Fnv {
        size_t operator()(const QString& s) const noexcept {
            size_t h = 1469598103934665603ULL;
            for (QChar c : s) h = (h ^ c.unicode()) * 1099511628211ULL;
            return h;
        }
    };
    std::unordered_map<QString, quint32, Fnv> indice;
    indice.reserve(size_t(nRighe) * 4);
    QStringList stringhe;
    struct Cella {
        quint16 riga, colonna;
        quint32 sst;
    };
    QVector<Cella> celle;
    int maxColonne = 0;
    for (int r = 0; r < nRighe; ++r) {
        const QStringList& riga = righe[r];
        const int nc = std::min<int>(int(riga.size()), kXlsMaxColonne);
        for (int c = 0; c < nc; ++c) {
            if (riga[c].isEmpty()) continue;
            const QString testo = riga[c].size() > kXlsMaxCaratteri ? riga[c].left(kXlsMaxCaratteri) : riga[c];
            const auto [it, nuova] = indice.try_emplace(testo, quint32(stringhe.size()));
            if (nuova) stringhe.append(testo);
            const quint32 k = it->second;
            celle.append({quint16(r), quint16(c), k});
            maxColonne = std::max(maxColonne, c + 1);
        }
    }

    QByteArray f;
    f.reserve(celle.size() * 14 + stringhe.size() * 24 + 4096);
    Record(f, 0x0809, Bof(0x0005));
    {
        QByteArray d;
        U16(d, 1200);  // strings are UTF-16
        Record(f, 0x0042, d);
    }
    {
        QByteArray d;
        U16(d, 0x0168);
        U16(d, 0x001E);
        U16(d, 0x3A5C);
        U16(d, 0x23BE);
        U16(d, 0x0038);  // horizontal and vertical scroll bars, sheet tabs
        U16(d, 0);       // active sheet
        U16(d, 0);       // first visible tab
        U16(d, 1);       // selected tabs
        U16(d, 0x0258);  // tab bar width ratio
        Record(f, 0x003D, d);
    }
    for (int i = 0; i < 5; ++i) Record(f, 0x0031, Font());
    for (int i = 0; i < 15; ++i) Record(f, 0x00E0, Xf(true));
    Record(f, 0x00E0, Xf(false));  // XF 15: the cells
    {
        QByteArray d;
        U16(d, 0x8000);  // built-in style of XF 0
        U8(d, 0);        // "Normal"
        U8(d, 0xFF);
        Record(f, 0x0293, d);
    }
    const int posBoundsheet = int(f.size()) + 4;
    {
        QByteArray d;
        U32(d, 0);  // patched below with the sheet's BOF offset
        U16(d, 0);  // visible worksheet
        d.append(StringaBreve("Foglio1"));
        Record(f, 0x0085, d);
    }
    ScriviSst(f, stringhe, quint32(celle.size()));
    Record(f, 0x000A, {});

    Metti32(f, posBoundsheet, quint32(f.size()));
    Record(f, 0x0809, Bof(0x0010));
    {
        QByteArray d;
        U32(d, 0);
        U32(d, quint32(celle.isEmpty() ? 0 : celle.last().riga + 1));
        U16(d, 0);
        U16(d, quint16(maxColonne));
        U16(d, 0);
        Record(f, 0x0200, d);
    }
    {
        QByteArray d;
        U16(d, 0x06B6);  // grid, headers, zeros, default colours, outline symbols, selected, shown
        U16(d, 0);
        U16(d, 0);
        U32(d, 0x40);
        U16(d, 0);
        U16(d, 0);
        U32(d, 0);
        Record(f, 0x023E, d);
    }
    QByteArray d;
    for (const Cella& c : celle) {
        d.clear();
        U16(d, c.riga);
        U16(d, c.colonna);
        U16(d, 15);
        U32(d, c.sst);
        Record(f, 0x00FD, d);
    }
    Record(f, 0x000A, {});
    return f;
}

QByteArray CartellaXls(const QVector<QStringList>& righe, QString* errore) {
    const QByteArray flusso = FlussoBiff8(righe);
    GsfOutput* memoria = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memoria);
    QByteArray risultato;
    bool ok = false;
    if (ole) {
        GsfOutput* wb = gsf_outfile_new_child(ole, "Workbook", FALSE);
        if (wb) {
            ok = gsf_output_write(wb, size_t(flusso.size()), reinterpret_cast<const guint8*>(flusso.constData()));
            ok = gsf_output_close(wb) && ok;
            g_object_unref(wb);
        }
        ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
        g_object_unref(ole);
    }
    if (ok) {
        const guint8* byte = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memoria));
        const gsf_off_t n = gsf_output_size(memoria);
        if (byte && n > 0) risultato = QByteArray(reinterpret_cast<const char*>(byte), qsizetype(n));
    }
    if (!gsf_output_is_closed(memoria)) gsf_output_close(memoria);
    g_object_unref(memoria);
    if (risultato.isEmpty() && errore) *errore = QStringLiteral("Impossibile comporre la cartella Excel");
    return risultato;
}

int FoglioAttivoXls(const QString& percorso) {
    GError* err = nullptr;
    const QByteArray nome = QFile::encodeName(percorso);
    GsfInput* file = gsf_input_stdio_new(nome.constData(), &err);
    if (err) g_error_free(err);
    if (!file) return 0;
    int attivo = 0;
    err = nullptr;
    GsfInfile* ole = gsf_infile_msole_new(file, &err);
    if (err) g_error_free(err);
    if (ole) {
        GsfInput* wb = gsf_infile_child_by_name(ole, "Workbook");
        if (!wb) wb = gsf_infile_child_by_name(ole, "Book");
        if (wb) {
            // The globals come first; WINDOW1 stands among them, well before the first EOF.
            guint8 testa[4];
            for (int k = 0; k < 10000; ++k) {
                if (!gsf_input_read(wb, 4, testa)) break;
                const int tipo = testa[0] | (testa[1] << 8);
                const int lung = testa[2] | (testa[3] << 8);
                if (tipo == 0x000A) break;
                if (tipo == 0x003D && lung >= 12) {
                    guint8 dati[12];
                    if (gsf_input_read(wb, 12, dati)) attivo = dati[10] | (dati[11] << 8);
                    break;
                }
                if (lung > 0 && gsf_input_seek(wb, lung, G_SEEK_CUR)) break;
            }
            g_object_unref(wb);
        }
        g_object_unref(ole);
    }
    g_object_unref(file);
    return attivo;
}

namespace {
QString TestoNumero(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

QString MessaggioFreexl(int rc) {
    switch (rc) {
    case FREEXL_FILE_NOT_FOUND: return QStringLiteral("il file non esiste");
    case FREEXL_INSUFFICIENT_MEMORY: return QStringLiteral("memoria insufficiente");
    default: return QStringLiteral("il file non è una cartella Excel leggibile (errore %1)").arg(rc);
    }
}
}  // namespace

namespace {
// The reader hands the sheet over as one flat buffer: a status byte, then either a message or the
// dimensions and one tagged value per cell. No allocation per cell on the reader's side, one pass
// to decode on the program's.
enum : quint8 { kVuota = 0, kIntero = 1, kDecimale = 2, kTesto = 3 };

template <typename T>
void Metti(QByteArray& b, T v) {
    b.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void MettiTesto(QByteArray& b, const char* testo, qsizetype n) {
    Metti(b, quint32(n));
    b.append(testo, n);
}

QByteArray Fallito(const QString& perche) {
    QByteArray b;
    Metti(b, quint8(0));
    const QByteArray t = perche.toUtf8();
    MettiTesto(b, t.constData(), t.size());
    return b;
}

// The FreeXL part of LeggiXls, encoded as above; runs in the reader process.
QByteArray LeggiConFreexl(const QString& percorso, int maxRighe, int maxColonne) {
    const int attivo = FoglioAttivoXls(percorso);
    const QByteArray nome = QFile::encodeName(percorso);
    const void* handle = nullptr;
    int rc = freexl_open(nome.constData(), &handle);
    if (rc != FREEXL_OK) {
        freexl_close(handle);
        return Fallito(MessaggioFreexl(rc));
    }
    unsigned int fogli = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &fogli);
    const unsigned short scelto = (attivo >= 0 && unsigned(attivo) < fogli) ? static_cast<unsigned short>(attivo) : 0;
    rc = freexl_select_active_worksheet(handle, scelto);
    unsigned int righe = 0;
    unsigned short colonne = 0;
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(handle, &righe, &colonne);
    if (rc != FREEXL_OK) {
        freexl_close(handle);
        return Fallito(MessaggioFreexl(rc));
    }
    const int nr = int(std::min<unsigned>(righe, unsigned(std::max(maxRighe, 0))));
    const int nc = std::min<int>(colonne, std::max(maxColonne, 0));
    QByteArray b;
    b.reserve(std::min<qsizetype>(qsizetype(nr) * nc * 8, 64LL * 1024 * 1024) + 64);
    Metti(b, quint8(1));
    Metti(b, quint32(nr));
    Metti(b, quint32(nc));
    for (int r = 0; r < nr; ++r) {
        for (int c = 0; c < nc; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, unsigned(r), static_cast<unsigned short>(c), &v) != FREEXL_OK) {
                Metti(b, kVuota);
                continue;
            }
            switch (v.type) {
            case FREEXL_CELL_INT:
                Metti(b, kIntero);
                Metti(b, qint64(v.value.int_value));
                break;
            case FREEXL_CELL_DOUBLE:
                Metti(b, kDecimale);
                Metti(b, v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value) {
                    Metti(b, kTesto);
                    MettiTesto(b, v.value.text_value, qsizetype(std::strlen(v.value.text_value)));
                } else {
                    Metti(b, kVuota);
                }
                break;
            default:
                Metti(b, kVuota);
                break;
            }
        }
    }
    freexl_close(handle);
    return b;
}

// Reads back what LeggiConFreexl wrote, trusting nothing: the child may have died half-way.
class Lettore {
public:
    explicit Lettore(const QByteArray& d) : p(d.constData()), fine(d.constData() + d.size()) {}
    template <typename T>
    bool prendi(T& v) {
        if (fine - p < qsizetype(sizeof v)) return false;
        std::memcpy(&v, p, sizeof v);
        p += sizeof v;
        return true;
    }
    bool testo(QString& t) {
        quint32 n = 0;
        if (!prendi(n) || quint32(fine - p) < n) return false;
        t = QString::fromUtf8(p, qsizetype(n));
        if (t.size() > kXlsMaxCaratteri) t.truncate(kXlsMaxCaratteri);
        p += n;
        return true;
    }
    bool finito() const { return p == fine; }
    qsizetype resto() const { return fine - p; }

private:
    const char* p;
    const char* fine;
};

QString Danneggiato() { return QStringLiteral("il file è danneggiato o non è una cartella Excel leggibile"); }

bool Decodifica(const QByteArray& dati, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    const QString danneggiato = Danneggiato();
    auto fallisci = [&](const QString& perche) {
        foglio.clear();
        if (errore) *errore = perche;
        return false;
    };
    Lettore in(dati);
    quint8 ok = 0;
    if (!in.prendi(ok)) return fallisci(danneggiato);
    if (ok != 1) {
        QString perche;
        return fallisci(in.testo(perche) ? perche : danneggiato);
    }
    quint32 righe = 0, colonne = 0;
    if (!in.prendi(righe) || !in.prendi(colonne) || righe > quint32(std::max(maxRighe, 0)) ||
        colonne > quint32(std::max(maxColonne, 0)) || in.resto() < qsizetype(righe) * colonne)
        return fallisci(danneggiato);  // every cell takes at least one byte
    foglio.resize(int(righe));
    for (QVector<CellaXls>& riga : foglio) {
        riga.resize(int(colonne));
        for (CellaXls& c : riga) {
            quint8 tipo = kVuota;
            if (!in.prendi(tipo)) return fallisci(danneggiato);
            switch (tipo) {
            case kVuota:
                break;
            case kIntero: {
                qint64 v = 0;
                if (!in.prendi(v)) return fallisci(danneggiato);
                c = {QString::number(v), true};
                break;
            }
            case kDecimale: {
                double v = 0;
                if (!in.prendi(v)) return fallisci(danneggiato);
                c = {TestoNumero(v), true};
                break;
            }
            case kTesto:
                if (!in.testo(c.testo)) return fallisci(danneggiato);
                break;
            default:
                return fallisci(danneggiato);
            }
        }
    }
    return in.finito() ? true : fallisci(danneggiato);
}

bool ScriviTutto(int fd, const QByteArray& dati) {
    const char* p = dati.constData();
    qsizetype resto = dati.size();
    while (resto > 0) {
        const ssize_t scritti = write(fd, p, size_t(resto));
        if (scritti < 0 && errno == EINTR) continue;
        if (scritti <= 0) return false;
        p += scritti;
        resto -= scritti;
    }
    return true;
}

// Starts the reader program beside this one with its output on fd; 0 when there is none. A
// spawned program shares no memory with this one, where a forked child would mark the whole
// heap copy-on-write and make both sides pay a page fault on every page they write afterwards.
pid_t AvviaLettore(const QString& percorso, int maxRighe, int maxColonne, int fd, int daChiudere) {
    if (!QCoreApplication::instance()) return 0;
    const QByteArray programma =
        QFile::encodeName(QCoreApplication::applicationDirPath() + u'/' + QLatin1String(kProgrammaLettoreXls));
    if (access(programma.constData(), X_OK) != 0) return 0;
    QByteArray argomenti[3] = {QFile::encodeName(percorso), QByteArray::number(maxRighe),
                               QByteArray::number(maxColonne)};
    char* argv[] = {const_cast<char*>(programma.constData()), argomenti[0].data(), argomenti[1].data(),
                    argomenti[2].data(), nullptr};
    posix_spawn_file_actions_t azioni;
    if (posix_spawn_file_actions_init(&azioni) != 0) return 0;
    posix_spawn_file_actions_addclose(&azioni, daChiudere);
    posix_spawn_file_actions_adddup2(&azioni, fd, STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&azioni, fd);
    pid_t figlio = 0;
    if (posix_spawn(&figlio, programma.constData(), &azioni, nullptr, argv, environ) != 0) figlio = 0;
    posix_spawn_file_actions_destroy(&azioni);
    return figlio;
}

// Damaged workbooks can make the third-party readers (FreeXL, libgsf) read out of bounds or
// crash; they run in another process, so a bad file costs an error message, never the program
// and the table it holds. That process is the reader program when it stands beside this one,
// else a forked child; either sends its result through a pipe.
bool LeggiIsolato(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    // Without a pipe or a process, the reading happens here.
    auto quiStesso = [&] {
        return Decodifica(LeggiConFreexl(percorso, maxRighe, maxColonne), maxRighe, maxColonne, foglio, errore);
    };
    int tubo[2];
    if (pipe2(tubo, O_CLOEXEC) != 0) return quiStesso();
    pid_t figlio = AvviaLettore(percorso, maxRighe, maxColonne, tubo[1], tubo[0]);
    if (figlio == 0) figlio = fork();
    if (figlio < 0) {
        close(tubo[0]);
        close(tubo[1]);
        return quiStesso();
    }
    if (figlio == 0) {
        close(tubo[0]);
        _exit(ScriviTutto(tubo[1], LeggiConFreexl(percorso, maxRighe, maxColonne)) ? 0 : 3);
    }
    close(tubo[1]);
    QByteArray dati;
    QElapsedTimer orologio;
    orologio.start();
    bool scaduto = false;
    char buf[65536];
    for (;;) {
        pollfd pf{tubo[0], POLLIN, 0};
        const int pronto = poll(&pf, 1, 1000);
        if (pronto < 0 && errno == EINTR) continue;
        if (orologio.elapsed() > kMsLetturaXls || dati.size() > kMaxRisultatoXls) {
            scaduto = true;
            break;
        }
        if (pronto == 0) continue;
        const ssize_t letti = read(tubo[0], buf, sizeof buf);
        if (letti < 0 && errno == EINTR) continue;
        if (letti <= 0) break;
        dati.append(buf, letti);
    }
    close(tubo[0]);
    if (scaduto) kill(figlio, SIGKILL);
    int stato = 0;
    while (waitpid(figlio, &stato, 0) < 0 && errno == EINTR) {
    }
    if (scaduto || !WIFEXITED(stato) || WEXITSTATUS(stato) != 0) {
        if (errore) *errore = Danneggiato();
        return false;
    }
    return Decodifica(dati, maxRighe, maxColonne, foglio, errore);
}
}  // namespace

int EseguiLettoreXls(int argc, char** argv) {
    if (argc != 4) return 2;
    const QByteArray dati = LeggiConFreexl(QFile::decodeName(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    return ScriviTutto(STDOUT_FILENO, dati) ? 0 : 3;
}

bool LeggiXls(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    foglio.clear();
    auto fallisci = [&](const QString& perche) {
        if (errore) *errore = perche;
        return false;
    };
    const QFileInfo info(percorso);
    if (!info.isFile()) return fallisci(QStringLiteral("il file non esiste"));
    if (info.size() > kMaxFileXls) return fallisci(QStringLiteral("il file è troppo grande"));
    {
        QFile f(percorso);
        if (!f.open(QIODevice::ReadOnly)) return fallisci(QStringLiteral("il file non si può leggere"));
        static const char firma[8] = {char(0xD0), char(0xCF), char(0x11), char(0xE0),
                                      char(0xA1), char(0xB1), char(0x1A), char(0xE1)};
        if (f.read(8) != QByteArray(firma, 8)) return fallisci(QStringLiteral("il file non è una cartella Excel"));
    }
    return LeggiIsolato(percorso, maxRighe, maxColonne, foglio, errore);
}

}  // namespace gm
