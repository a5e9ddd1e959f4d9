// A small pull scanner for the large XML parts of workbooks (sheet data, shared strings, ODS
// content), several times faster than QXmlStreamReader because it stays on the UTF-8 bytes and
// decodes only the texts and attributes asked for. Strict about what it reads: tags must nest,
// names must close as they opened; no DTD is expanded. Elements and attributes go by their local
// name, whatever prefix the file gives the namespace.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>
#include <vector>

namespace gm {

class ScansioneXml {
public:
    // Names are short: an inline comparison beats the library's out-of-line one.
    static bool Uguale(QByteArrayView a, const char* b) {
        const size_t n = std::strlen(b);
        return size_t(a.size()) == n && std::memcmp(a.data(), b, n) == 0;
    }
    static bool Uguale(QByteArrayView a, QByteArrayView b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), size_t(a.size())) == 0;
    }

    enum Evento { Fine, Guasto, Apertura, Chiusura, Testo };

    // dati must outlive the scanner; UTF-8 (a byte-order mark is skipped).
    explicit ScansioneXml(QByteArrayView dati);

    Evento avanti();
    // Apertura and Chiusura: the element's local name. A self-closing element gives both.
    QByteArrayView nome() const { return m_nome; }
    bool nome(const char* n) const { return Uguale(m_nome, n); }
    // Open elements, the current one included after Apertura.
    int profondita() const { return int(m_pila.size()); }
    bool guasto() const { return m_guasto; }
    // The whole input was read and every element closed.
    bool completo() const { return m_fine && m_pila.empty() && !m_guasto; }

    // After Apertura: the attribute of that local name, decoded; false when absent. Values and
    // texts with nothing to decode may share the input's bytes instead of copying them.
    bool attributo(const char* nome, QByteArray& valore) const;
    bool ha(const char* nome) const;
    // After Testo: the text decoded, appended to out up to limite bytes in all.
    void testo(QByteArray& out, qsizetype limite) const;

    // After Apertura: the text of the element and its descendants (those named in salta left
    // out), up to limite bytes; stands on the element's end afterwards. False on damage or end.
    bool testoElemento(QByteArray& out, qsizetype limite, std::initializer_list<const char*> salta = {});
    // After Apertura: skips to the element's end.
    bool salta();

private:
    struct Attributo {
        QByteArrayView nome, valore;
    };
    Evento rompi();
    Evento apertura();
    Evento chiusura();

    const char* m_p;
    const char* m_fine_dati;
    QByteArrayView m_nome;
    QByteArrayView m_testo;
    bool m_cdata = false;
    bool m_chiudiVuoto = false;
    bool m_guasto = false;
    bool m_fine = false;
    std::vector<QByteArrayView> m_pila;
    std::vector<Attributo> m_attributi;
};

// Decodes entity and character references (and, in attributes, the whitespace normalisation
// of XML) of raw, appending UTF-8 to out up to limite bytes in all.
void DecodificaXml(QByteArrayView raw, bool attributo, QByteArray& out, qsizetype limite);

}  // namespace gm
