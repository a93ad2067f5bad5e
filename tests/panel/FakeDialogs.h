// File dialogs that answer what the test says and remember what they were asked.
#pragma once

#include "standalone/panel/FileDialogs.h"

#include <QString>

#include <vector>

namespace quelvar::test
{

class FakeDialogs final : public FileDialogs
{
public:
    QString openFile(QWidget*, const QString& title, const QString& directory,
                     const QString& filter) override
    {
        asked.push_back({title, directory, filter});
        return answer;
    }
    QString saveFile(QWidget*, const QString& title, const QString& directory,
                     const QString& filter, QString* selectedFilter) override
    {
        asked.push_back({title, directory, filter});
        if (selectedFilter)
            *selectedFilter = chosenFilter;
        return answer;
    }

    struct Question
    {
        QString title;
        QString directory;
        QString filter;
    };
    QString answer;
    QString chosenFilter;
    std::vector<Question> asked;
};

} // namespace quelvar::test
