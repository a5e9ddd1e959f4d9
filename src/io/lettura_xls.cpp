// Reading a workbook (.xls, .xlsx, .ods) in a process of its own: the reader program decodes the
// file with the readers of fogli.h and hands the sheet over through a pipe.
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
#include <cstdlib>
#include <cstring>
#include <vector>

#include "io/fogli.h"

namespace gm {

namespace {
constexpr qint64 kMaxFileXls = 128LL * 1024 * 1024;
// Bounds of the child process that reads a workbook.
constexpr qint64 kMsLetturaXls = 60000;
constexpr qsizetype kMaxRisultatoXls = 512LL * 1024 * 1024;
}  // namespace

namespace {
QString NonFoglio() {
    return QStringLiteral("il file non è una cartella Excel (.xls, .xlsx) né un foglio OpenDocument (.ods)");
}

QString Danneggiato() { return QStringLiteral("il file è danneggiato o non è una cartella Excel leggibile"); }

// The reader's whole work, ended in foglio; runs in the reader process.
bool LeggiFile(const QString& percorso, FoglioLetto& foglio) {
    QFile f(percorso);
    QString errore;
    if (!f.open(QIODevice::ReadOnly)) {
        errore = QStringLiteral("il file non si può leggere");
    } else if (f.size() > kMaxFileXls) {
        errore = QStringLiteral("il file è troppo grande");
    } else {
        // Asking for the bound itself would allocate all of it.
        const QByteArray dati = f.read(f.size() > 0 ? f.size() : kMaxFileXls);
        if (!LeggiFoglioDiCalcolo(dati, foglio, errore) && errore.isEmpty()) errore = Danneggiato();
    }
    return foglio.chiudi(errore);
}

// Rebuilds the sheet from the private format as it arrives, trusting nothing: the child may
// have died half-way or been subverted by the file it read.
class Ricevitore {
public:
    Ricevitore(int maxRighe, int maxColonne, FoglioXls& foglio)
        : m_maxRighe(quint32(std::max(maxRighe, 0))), m_maxColonne(quint32(std::max(maxColonne, 0))), m_foglio(foglio) {}

    // Decodes the whole entries at the start of [p, fine); the bytes used, or -1 on damage.
    qsizetype consuma(const char* p, const char* fine) {
        const char* const inizio = p;
        while (p < fine) {
            if (m_finito) return -1;  // nothing may follow the end
            const char* q = p + 1;
            const quint8 tipo = quint8(*p);
            quint32 n = 0;
            if (tipo == kFine) {
                m_finito = m_letto = true;
            } else if (tipo == kErrore || tipo == kRiga || tipo == kCellaDecimale || tipo == kCellaTesto) {
                if (fine - q < 4) break;
                std::memcpy(&n, q, 4);
                q += 4;
                if (tipo == kRiga) {
                    if (n >= m_maxRighe) return -1;
                    m_riga = n;
                } else if (tipo == kErrore) {
                    if (n > kMaxTestoByte) return -1;
                    if (fine - q < qsizetype(n)) break;
                    m_errore = n > 0 ? QString::fromUtf8(q, qsizetype(n)) : Danneggiato();
                    q += n;
                    m_finito = true;
                } else {
                    if (m_riga < 0 || n >= m_maxColonne) return -1;
                    if (tipo == kCellaDecimale) {
                        double v = 0;
                        if (fine - q < qsizetype(sizeof v)) break;
                        std::memcpy(&v, q, sizeof v);
                        q += sizeof v;
                        CellaXls* c = cella(n);
                        if (!c) return -1;
                        *c = {TestoNumero(v), true};
                    } else {
                        quint32 lunghezza = 0;
                        if (fine - q < 4) break;
                        std::memcpy(&lunghezza, q, 4);
                        if (lunghezza > kMaxTestoByte) return -1;
                        if (fine - q - 4 < qsizetype(lunghezza)) break;
                        CellaXls* c = cella(n);
                        if (!c) return -1;
                        c->testo = QString::fromUtf8(q + 4, qsizetype(lunghezza));
                        if (c->testo.size() > kXlsMaxCaratteri) c->testo.truncate(kXlsMaxCaratteri);
                        c->numero = false;
                        q += 4 + lunghezza;
                    }
                }
            } else {
                return -1;
            }
            p = q;
        }
        return p - inizio;
    }

    // Every row as wide as the widest, as the readers expect; false when the sheet did not end.
    bool completa() {
        if (!m_letto) return false;
        for (QVector<CellaXls>& r : m_foglio) r.resize(m_colonne);
        return true;
    }
    bool finito() const { return m_finito; }
    const QString& errore() const { return m_errore; }
    // The longest entry: a text of the largest cell, as UTF-8.
    static constexpr qsizetype kMaxVoce = 16 + 4 * qsizetype(kXlsMaxCaratteri);

private:
    static constexpr quint32 kMaxTestoByte = quint32(4 * kXlsMaxCaratteri);

    CellaXls* cella(quint32 colonna) {
        if (m_riga >= m_foglio.size()) {
            if (m_riga - m_foglio.size() + m_celle > FoglioLetto::kMaxCelle) return nullptr;
            if (m_foglio.capacity() <= m_riga) m_foglio.reserve(std::max<qsizetype>(m_riga + 1, m_foglio.capacity() * 2));
            m_foglio.resize(m_riga + 1);
        }
        QVector<CellaXls>& r = m_foglio[m_riga];
        if (colonna >= quint32(r.size())) {
            m_celle += colonna + 1 - r.size();
            if (m_celle > FoglioLetto::kMaxCelle) return nullptr;
            if (r.capacity() <= colonna) r.reserve(std::max<qsizetype>(colonna + 1, m_colonne));
            r.resize(colonna + 1);
            m_colonne = std::max(m_colonne, int(colonna) + 1);
        }
        return &r[colonna];
    }

    quint32 m_maxRighe, m_maxColonne;
    FoglioXls& m_foglio;
    qsizetype m_riga = -1;
    qint64 m_celle = 0;
    int m_colonne = 0;
    bool m_finito = false, m_letto = false;
    QString m_errore;
};

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
    // The reader's heap is young and large: with huge pages (where the kernel grants them on
    // request) it takes a fraction of the page faults. Other settings of the C library are kept.
    QByteArray regolazioni = qgetenv("GLIBC_TUNABLES");
    regolazioni = "GLIBC_TUNABLES=" + regolazioni + (regolazioni.isEmpty() ? "" : ":") + "glibc.malloc.hugetlb=1";
    std::vector<char*> ambiente;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "GLIBC_TUNABLES=", 15) != 0) ambiente.push_back(*e);
    ambiente.push_back(regolazioni.data());
    ambiente.push_back(nullptr);
    posix_spawn_file_actions_t azioni;
    if (posix_spawn_file_actions_init(&azioni) != 0) return 0;
    posix_spawn_file_actions_addclose(&azioni, daChiudere);
    posix_spawn_file_actions_adddup2(&azioni, fd, STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&azioni, fd);
    pid_t figlio = 0;
    if (posix_spawn(&figlio, programma.constData(), &azioni, nullptr, argv, ambiente.data()) != 0) figlio = 0;
    posix_spawn_file_actions_destroy(&azioni);
    return figlio;
}

// Damaged workbooks can make the third-party libraries (libgsf, libzip) or our own decoding read out of bounds or
// crash; they run in another process, so a bad file costs an error message, never the program
// and the table it holds. That process is the reader program when it stands beside this one,
// else a forked child; either sends its result through a pipe, decoded here as it comes.
bool LeggiIsolato(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    // Without a pipe or a process, the reading happens here.
    auto quiStesso = [&] {
        FoglioLetto letto(maxRighe, maxColonne);
        LeggiFile(percorso, letto);
        return DecodificaFoglioLetto(letto.codifica(), maxRighe, maxColonne, foglio, errore);
    };
    int tubo[2];
    if (pipe2(tubo, O_CLOEXEC) != 0) return quiStesso();
    // A pipe as large as the system allows lets the reader run ahead of the decoding here.
    fcntl(tubo[0], F_SETPIPE_SZ, 1 << 20);
    pid_t figlio = AvviaLettore(percorso, maxRighe, maxColonne, tubo[1], tubo[0]);
    if (figlio == 0) figlio = fork();
    if (figlio < 0) {
        close(tubo[0]);
        close(tubo[1]);
        return quiStesso();
    }
    if (figlio == 0) {
        close(tubo[0]);
        FoglioLetto letto(maxRighe, maxColonne, tubo[1]);
        _exit(LeggiFile(percorso, letto) ? 0 : 3);
    }
    close(tubo[1]);
    Ricevitore ricevitore(maxRighe, maxColonne, foglio);
    QElapsedTimer orologio;
    orologio.start();
    bool scaduto = false, guasto = false;
    // Room for the longest entry and a pipe's worth more; an entry cut by the end of a read waits
    // at the front for the rest.
    std::vector<char> buf(size_t(Ricevitore::kMaxVoce) + (1 << 20));
    size_t pieni = 0;
    qint64 totale = 0;
    for (;;) {
        pollfd pf{tubo[0], POLLIN, 0};
        const int pronto = poll(&pf, 1, 1000);
        if (pronto < 0 && errno == EINTR) continue;
        if (orologio.elapsed() > kMsLetturaXls || totale > kMaxRisultatoXls) {
            scaduto = true;
            break;
        }
        if (pronto == 0) continue;
        const ssize_t letti = read(tubo[0], buf.data() + pieni, buf.size() - pieni);
        if (letti < 0 && errno == EINTR) continue;
        if (letti <= 0) break;
        pieni += size_t(letti);
        totale += letti;
        const qsizetype usati = ricevitore.consuma(buf.data(), buf.data() + pieni);
        if (usati < 0) {
            guasto = true;
            break;
        }
        pieni -= size_t(usati);
        std::memmove(buf.data(), buf.data() + usati, pieni);
    }
    close(tubo[0]);
    if (scaduto || guasto) kill(figlio, SIGKILL);
    int stato = 0;
    while (waitpid(figlio, &stato, 0) < 0 && errno == EINTR) {
    }
    if (!scaduto && !guasto && pieni == 0 && WIFEXITED(stato) && WEXITSTATUS(stato) == 0) {
        if (ricevitore.completa()) return true;
        if (ricevitore.finito()) {
            foglio.clear();
            if (errore) *errore = ricevitore.errore();
            return false;
        }
    }
    foglio.clear();
    if (errore) *errore = Danneggiato();
    return false;
}
}  // namespace

bool DecodificaFoglioLetto(const QByteArray& dati, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    Ricevitore r(maxRighe, maxColonne, foglio);
    const qsizetype usati = r.consuma(dati.constData(), dati.constData() + dati.size());
    if (usati == dati.size() && r.completa()) return true;
    foglio.clear();
    if (errore) *errore = usati == dati.size() && r.finito() ? r.errore() : Danneggiato();
    return false;
}

int EseguiLettoreXls(int argc, char** argv) {
    if (argc != 4) return 2;
    FoglioLetto foglio(std::atoi(argv[2]), std::atoi(argv[3]), STDOUT_FILENO);
    return LeggiFile(QFile::decodeName(argv[1]), foglio) ? 0 : 3;
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
        const QByteArray inizio = f.read(8);
        if (inizio != QByteArray(firma, 8) && !inizio.startsWith("PK\x03\x04")) return fallisci(NonFoglio());
    }
    return LeggiIsolato(percorso, maxRighe, maxColonne, foglio, errore);
}

}  // namespace gm
