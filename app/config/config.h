// One configuration file (.zq40): an XML document with root Parameters that
// holds every setting of a unit except its zone links and fader positions,
// plus its names and the firmware version it was saved from. Build one
// object for each read or write.
#pragma once

#include "parameter_blocks.h"

#include <QDomDocument>
#include <QDomElement>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

namespace zq40 {

class config : public QObject {
    Q_OBJECT

public:
    // Results of write() and read().
    static constexpr int kOk = 0;
    static constexpr int kCannotOpen = -1; // also: could not be written in full
    static constexpr int kNotXml = -2;     // also: empty, or too large to be one
    static constexpr int kNotParameters = -3;
    static constexpr int kNullPath = -4;

    explicit config(QObject* parent = nullptr);

    // Writes the blocks and the version word (a.b.c.d, a in the top byte) to
    // `path`. The file is replaced only once the new one is complete: on
    // failure a file already at `path` is left as it was.
    int write(const QString& path, const ParameterBlocks& blocks, uint32_t firmwareVersion);
    // The document write() puts in the file, as bytes.
    QByteArray text(const ParameterBlocks& blocks, uint32_t firmwareVersion);

    // Applies the file's attributes to `blocks`; fields whose attributes are
    // missing keep their values. The device name is taken only with
    // `loadName`. Nothing changes unless the result is kOk.
    int read(const QString& path, ParameterBlocks& blocks, bool loadName);

signals:
    void DoFileReadComplete();

private:
    QDomDocument document;
    QDomElement root;
    QDomElement deviceName;
    std::array<QDomElement, 6> zones;
    QDomElement inputs;
    QDomElement page1;
    QDomElement page2;
    QDomElement misc;
    QDomElement groupLabels;
    QDomElement pgmLabels;
    QDomElement firmware;
};

} // namespace zq40
