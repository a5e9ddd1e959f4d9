// Helpers of the save and import tests: sample records, files, and the outside readers.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVector>

#include "io/xls.h"
#include "table/tabella.h"

#include "support/ambiente_test.h"

namespace gm::test {

inline Record Rec(const QString& nome, const QString& ind, const QString& cap, const QString& citta,
                  const QString& pr, const QString& tel, const QString& lat, const QString& lon) {
    return Record{nome, ind, cap, citta, pr, tel, lat, lon};
}

// The sheet's rows as texts, without the empty cells at their ends.
inline QVector<QStringList> Righe(const FoglioXls& foglio) {
    QVector<QStringList> righe;
    for (const auto& r : foglio) {
        QStringList celle;
        for (const CellaXls& c : r) celle << c.testo;
        while (!celle.isEmpty() && celle.last().isEmpty()) celle.removeLast();
        righe << celle;
    }
    return righe;
}

inline QByteArray Leggi(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program; its standard output, or a null array when it could not run or failed.
inline QByteArray Esegui(const QString& programma, const QStringList& argomenti, int* stato = nullptr) {
    QProcess p;
    p.start(programma, argomenti);
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) return {};
    if (stato) *stato = p.exitCode();
    if (p.exitStatus() != QProcess::NormalExit || (!stato && p.exitCode() != 0)) return {};
    QByteArray out = p.readAllStandardOutput();
    if (out.isNull()) out = QByteArray("");
    return out;
}

// The cells of the first sheet as python3-xlrd reads them, one row per element.
// The system's python, where the Debian packages xlrd and xlwt live.
inline QString Python() {
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

inline QVector<QStringList> CelleXlrd(const QString& percorso) {
    static const char* script =
        "import sys, json, xlrd\n"
        "b = xlrd.open_workbook(sys.argv[1])\n"
        "s = b.sheet_by_index(0)\n"
        "print(json.dumps([[str(c.value) for c in s.row(r)] for r in range(s.nrows)]))\n";
    const QByteArray out = Esegui(Python(), {QStringLiteral("-c"), QString::fromLatin1(script), percorso});
    QVector<QStringList> righe;
    if (out.isEmpty()) return righe;
    // A small JSON reader is enough: Qt's own one.
    const QJsonDocument doc = QJsonDocument::fromJson(out);
    for (const QJsonValue& r : doc.array()) {
        QStringList celle;
        for (const QJsonValue& c : r.toArray()) celle << c.toString();
        while (!celle.isEmpty() && celle.last().isEmpty()) celle.removeLast();
        righe << celle;
    }
    return righe;
}

inline bool HaPython(const char* modulo) {
    int stato = -1;
    Esegui(Python(), {QStringLiteral("-c"), QStringLiteral("import ") + QLatin1String(modulo)}, &stato);
    return stato == 0;
}

}  // namespace gm::test
