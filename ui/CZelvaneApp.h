#pragma once

#include <QApplication>

// The application object: its one job is to run the panel window.
class CZelvaneApp : public QApplication {
    Q_OBJECT
public:
    CZelvaneApp(int &argc, char **argv);

    // Runs the panel window; returns false, as there is nothing left to do afterwards.
    bool InitInstance();
};
