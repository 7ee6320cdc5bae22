// SPDX-License-Identifier: MIT
// Runs a fuzz target over the files in a folder, without libFuzzer.
#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize) // defined by the targets that need a set-up
        LLVMFuzzerInitialize(&argc, &argv);
    const QDir folder(QFile::decodeName(argv[argc - 1]));
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        qInfo("%s", qPrintable(file.fileName())); // where a failure stops
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    return folder.isEmpty(QDir::Files) ? 2 : 0; // a wrong folder must not pass for a clean run
}
