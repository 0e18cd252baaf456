#pragma once

#include <alsa/asoundlib.h>

#include <QByteArray>
#include <QFile>
#include <QString>

// Points HOME at a folder whose .asoundrc holds the given ALSA configuration, for the
// lifetime of the object, and makes ALSA read it afresh (and read the old one again after).
class ScopedAlsaHome
{
public:
    ScopedAlsaHome(const QString& folder, const QByteArray& asoundrc) : oldHome_(qgetenv("HOME"))
    {
        QFile file(folder + "/.asoundrc");
        written_ = file.open(QIODevice::WriteOnly) && file.write(asoundrc) == asoundrc.size();
        qputenv("HOME", folder.toLocal8Bit());
        snd_config_update_free_global();
    }

    ~ScopedAlsaHome()
    {
        qputenv("HOME", oldHome_);
        snd_config_update_free_global();
    }

    ScopedAlsaHome(const ScopedAlsaHome&) = delete;
    ScopedAlsaHome& operator=(const ScopedAlsaHome&) = delete;

    bool Written() const { return written_; }

private:
    QByteArray oldHome_;
    bool written_ = false;
};
