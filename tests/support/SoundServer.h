#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace mervantic::test {

// A private PulseAudio server whose only sink is a null sink, and a recorder of what is played
// to it: what a program sends to the desktop's sound system can be heard, as samples.
class SoundServer {
public:
    SoundServer();
    ~SoundServer();

    // False (with why()) when it cannot run here.
    bool start();
    QString why() const { return m_why; }
    // What a program needs in its environment to play to this server.
    void addTo(QProcessEnvironment& environment) const;

    // Starts recording the sink's monitor (mono, 16 bits, 22,050 samples a second).
    bool startRecording();
    // What has been recorded so far, recording on.
    QByteArray recordedSoFar();
    // Stops, and gives what was recorded.
    QByteArray stopRecording();
    static constexpr int kRate = 22050;
    // How many recorded samples are louder than `threshold`.
    static int loudSamples(const QByteArray& recording, int threshold = 500);

private:
    QProcessEnvironment environment() const;

    QTemporaryDir m_home;
    QProcess m_server;
    QProcess m_recorder;
    QByteArray m_recorded;
    QString m_why;
};

} // namespace mervantic::test
