#include "net/testo.h"

#include <charconv>

namespace gm {

long Maggiore(long a, long b) { return a < b ? b : a; }

QString PrelevastringaNumerica(const QString& x) {
    static const QString insieme = QStringLiteral("0123456789.");
    for (int i = 1; i <= 100; ++i) {
        if (i > x.size()) continue;  // past the end counts as inside the set
        if (!insieme.contains(x.at(i - 1))) return x.left(i - 1);
    }
    return QString();
}

QString PrimoMaiuscolo(QString& a) {
    a = a.toUpper();
    if (a.isEmpty()) return QString();
    QString r;
    r.reserve(a.size());
    r.append(a.at(0));
    for (int i = 1; i < a.size(); ++i) {
        const QChar ultimo = r.at(r.size() - 1);
        const bool lettera = (ultimo >= u'A' && ultimo <= u'Z') || (ultimo >= u'a' && ultimo <= u'z');
        r.append(lettera ? a.at(i).toLower() : a.at(i));
    }
    return r;
}

int InStr(const QString& s, const QString& t, int start) {
    if (start < 1) start = 1;
    if (start > s.size() + 1) return 0;
    const qsizetype p = s.indexOf(t, start - 1, Qt::CaseInsensitive);
    return p < 0 ? 0 : int(p) + 1;
}

QString Mid(const QString& s, int start, int len) {
    if (start < 1) start = 1;
    if (start > s.size()) return QString();
    return len < 0 ? s.mid(start - 1) : s.mid(start - 1, len);
}

QString Left(const QString& s, int n) { return n <= 0 ? QString() : s.left(n); }

QString Right(const QString& s, int n) { return n <= 0 ? QString() : s.right(n); }

QString Sostituisci(const QString& s, const QString& da, const QString& a) {
    if (da.isEmpty()) return s;
    QString r = s;
    return r.replace(da, a, Qt::CaseInsensitive);
}

bool Uguale(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

double Val(const QString& s) {
    int i = 0;
    const int n = int(s.size());
    while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
    const int inizio = i;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) ++i;
    bool cifre = false, punto = false;
    while (i < n) {
        if (s[i].isDigit() && s[i].unicode() < 128) {
            cifre = true;
        } else if (s[i] == u'.' && !punto) {
            punto = true;
        } else {
            break;
        }
        ++i;
    }
    if (!cifre) return 0.0;
    // Called per cell in passes over whole tables: parse from a stack buffer, not a new string.
    char buf[64];
    int k = 0;
    for (int j = inizio; j < i; ++j) {
        const char ch = char(s[j].unicode());
        if (ch == '+') continue;  // from_chars takes only a minus
        if (k == int(sizeof buf)) return s.mid(inizio, i - inizio).toDouble();
        buf[k++] = ch;
    }
    double v = 0.0;
    const auto [fine, errore] = std::from_chars(buf, buf + k, v);
    return errore == std::errc() ? v : 0.0;
}

}  // namespace gm
