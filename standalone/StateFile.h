// The synthesizer's whole state between runs: the engine's state chunk (the bank format) in a
// file of the application's data folder. Main thread; reads and writes files.
#pragma once

#include <QString>

namespace quelvar
{

class Palladon;

class StateFile
{
public:
    // "state.b303" in the application's data folder.
    static QString defaultPath();

    explicit StateFile(QString path) : path(std::move(path)) {}

    // Applies the file only when the whole chunk is well formed; one the engine does not accept
    // is moved to setAsidePath() with nothing applied.
    void restore(Palladon& engine) const;
    // Replaces the file in one step, so a failed write leaves the previous state.
    bool save(Palladon& engine) const;

    // Where a rejected file went.
    QString setAsidePath() const { return path + ".corrupt"; }

private:
    QString path;
};

} // namespace quelvar
