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

// The reader's whole work, in the private format of fogli.h; runs in the reader process.
QByteArray LeggiFile(const QString& percorso, int maxRighe, int maxColonne) {
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) return CodificaErrore(QStringLiteral("il file non si può leggere"));
    if (f.size() > kMaxFileXls) return CodificaErrore(QStringLiteral("il file è troppo grande"));
    const QByteArray dati = f.read(kMaxFileXls);
    FoglioLetto foglio(maxRighe, maxColonne);
    QString errore;
    if (!LeggiFoglioDiCalcolo(dati, foglio, errore)) return CodificaErrore(errore);
    return foglio.codifica();
}

// Reads back what the reader wrote, trusting nothing: the child may have died half-way.
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
            quint8 tipo = kCellaVuota;
            if (!in.prendi(tipo)) return fallisci(danneggiato);
            switch (tipo) {
            case kCellaVuota:
                break;
            case kCellaIntero: {
                qint64 v = 0;
                if (!in.prendi(v)) return fallisci(danneggiato);
                c = {QString::number(v), true};
                break;
            }
            case kCellaDecimale: {
                double v = 0;
                if (!in.prendi(v)) return fallisci(danneggiato);
                c = {TestoNumero(v), true};
                break;
            }
            case kCellaTesto:
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

// Damaged workbooks can make the third-party libraries (libgsf, libzip) or our own decoding read out of bounds or
// crash; they run in another process, so a bad file costs an error message, never the program
// and the table it holds. That process is the reader program when it stands beside this one,
// else a forked child; either sends its result through a pipe.
bool LeggiIsolato(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    // Without a pipe or a process, the reading happens here.
    auto quiStesso = [&] {
        return Decodifica(LeggiFile(percorso, maxRighe, maxColonne), maxRighe, maxColonne, foglio, errore);
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
        _exit(ScriviTutto(tubo[1], LeggiFile(percorso, maxRighe, maxColonne)) ? 0 : 3);
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
    const QByteArray dati = LeggiFile(QFile::decodeName(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
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
        const QByteArray inizio = f.read(8);
        if (inizio != QByteArray(firma, 8) && !inizio.startsWith("PK\x03\x04")) return fallisci(NonFoglio());
    }
    return LeggiIsolato(percorso, maxRighe, maxColonne, foglio, errore);
}

}  // namespace gm
