#pragma once

#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace orvek::test {

// A temporary start folder holding copies of the bundled files; the current folder is changed
// to it for the object's lifetime only.
class WorkFolder {
public:
    explicit WorkFolder(bool withBundledFiles = true) : m_previous(QDir::currentPath()) {
        if (withBundledFiles) {
            for (const char* name :
                 {"Option.Orvek", "Substrates.Orvek", "Parameter.Orvek", "Parameter, default.orvek",
                  "Example.stg", "milwaukee_1991_2020_daily.wth",
                  "milwaukee_1991_2020_monthly.wth"}) {
                copyBundled(name);
            }
        }
        QDir::setCurrent(QString::fromStdString(m_folder.path()));
        // The user's documents, where an empty working folder leads, are this folder too, so
        // that no test ever writes into the real home folder.
        m_hadDocuments = qEnvironmentVariableIsSet("XDG_DOCUMENTS_DIR");
        m_previousDocuments = qgetenv("XDG_DOCUMENTS_DIR");
        qputenv("XDG_DOCUMENTS_DIR",
                QFile::encodeName(QDir::cleanPath(QString::fromStdString(m_folder.path()))));
    }
    ~WorkFolder() {
        QDir::setCurrent(m_previous);
        if (m_hadDocuments) {
            qputenv("XDG_DOCUMENTS_DIR", m_previousDocuments);
        } else {
            qunsetenv("XDG_DOCUMENTS_DIR");
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    QString path(const QString& name) const {
        return QString::fromStdString(m_folder.file(name.toStdString()));
    }
    std::string folder() const { return m_folder.path(); }

    void copyBundled(const char* name) const {
        const QString from = QStringLiteral(ORVEK_DATA_DIR "/") + QString::fromUtf8(name);
        QFile::remove(path(QString::fromUtf8(name)));
        EXPECT_TRUE(QFile::copy(from, path(QString::fromUtf8(name)))) << name;
    }
    void write(const QString& name, const QByteArray& content) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFile::exists(path(name)); }

private:
    QString m_previous;
    TestFolder m_folder;
    bool m_hadDocuments = false;
    QByteArray m_previousDocuments;
};

} // namespace orvek::test
