// Helpers of the configuration file tests: files on disk and records with a
// value different from the factory default in every field a file holds.
#pragma once

#include "parameter_blocks.h"

#include <QByteArray>
#include <QString>

namespace zq40::test {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// Factory defaults, device name included.
ParameterBlocks defaults();

// Every field a file holds set away from its default, within the ranges
// the controls produce; positions follow the levels.
ParameterBlocks edited();

// A document with root Parameters holding `children`.
QByteArray document(const QByteArray& children);

} // namespace zq40::test
