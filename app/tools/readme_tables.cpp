// Puts the option table's options and keys into the README, or checks that they are there:
//   fluxprobe_readme_tables README.md           rewrites the generated tables in place
//   fluxprobe_readme_tables --check README.md   exit status 1, naming the file, when they differ
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/ReadmeTables.h"

int main(int argc, char* argv[]) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::cerr << "usage: fluxprobe_readme_tables [--check] README.md" << std::endl;
        return 2;
    }
    const std::string path = argv[argc - 1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << path << ": cannot be read" << std::endl;
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string renewed;
    try {
        renewed = app::withTablesRenewed(text.str());
    } catch (const std::exception& e) {
        std::cerr << path << ": " << e.what() << std::endl;
        return 2;
    }
    if (renewed == text.str()) return 0;
    if (check) {
        std::cerr << path
                  << ": the options or keys table differs from the option table; run "
                     "fluxprobe_readme_tables "
                  << path << std::endl;
        return 1;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << renewed;
    return 0;
}
