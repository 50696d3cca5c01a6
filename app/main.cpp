#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::fprintf(stderr, "usage: hmzres demo|init|print|dialog|printers|import-mdb ...\n");
    return 2;
}
