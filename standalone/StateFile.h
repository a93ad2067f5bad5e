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

    enum class Restore
    {
        absent,
        restored,
        // Not a state chunk this engine accepts: moved aside, nothing applied.
        setAside,
    };
    // Applies the file only when the whole chunk is well formed.
    Restore restore(Palladon& engine) const;
    // Replaces the file in one step, so a failed write leaves the previous state.
    bool save(Palladon& engine) const;

    const QString& getPath() const { return path; }
    // Where a rejected file went.
    QString setAsidePath() const { return path + ".corrupt"; }

private:
    QString path;
};

} // namespace quelvar
