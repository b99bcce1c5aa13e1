// parlowen-pdu decode - against a small C program around libgammu's decoder, both timed as whole
// processes on the same file of PDUs: what a script that pipes PDUs through either one sees.
//
// Usage: parlowen-pdu-process-bench --pdu PATH --gammu PATH --corpus PATH --file PATH
//                                   [--lines N] [--rounds R]
//   --corpus  parlowen-codec-bench, whose --dump gives the corpus; it is repeated to N lines
//             (default 400000) in --file.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Run
{
    double seconds = 0;
    int status = -1;
    std::string output; // first line of standard output, when kept
};

// Runs argv with standard input from `input` and standard output to `output`.
Run Time(const std::vector<std::string>& args, const std::string& input, const std::string& output)
{
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(input.c_str(), O_RDONLY);
        const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0)
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (output != "/dev/null") {
        std::ifstream in(output);
        std::getline(in, run.output);
    }
    return run;
}

bool WriteCorpus(const std::string& corpusTool, const std::string& file, long lines)
{
    FILE* dump = popen((corpusTool + " --dump").c_str(), "r");
    if (!dump)
        return false;
    std::vector<std::string> pdus;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, dump)) {
        std::string pdu(buffer);
        while (!pdu.empty() && (pdu.back() == '\n' || pdu.back() == '\r'))
            pdu.pop_back();
        if (!pdu.empty())
            pdus.push_back(pdu);
    }
    if (pclose(dump) != 0 || pdus.empty())
        return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < lines; ++i)
        out << pdus[static_cast<size_t>(i) % pdus.size()] << '\n';
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    std::string pdu, gammu, corpus, file;
    long lines = 400000;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--pdu")
            pdu = value;
        else if (option == "--gammu")
            gammu = value;
        else if (option == "--corpus")
            corpus = value;
        else if (option == "--file")
            file = value;
        else if (option == "--lines")
            lines = std::atol(value.c_str());
        else if (option == "--rounds")
            rounds = std::atoi(value.c_str());
    }
    if (pdu.empty() || gammu.empty() || corpus.empty() || file.empty() || lines <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s --pdu PATH --gammu PATH --corpus PATH --file PATH [--lines N] [--rounds R]\n",
                     argv[0]);
        return 2;
    }
    if (!WriteCorpus(corpus, file, lines)) {
        std::fprintf(stderr, "could not write %ld PDUs to %s\n", lines, file.c_str());
        return 1;
    }
    const std::string counted = file + ".count";
    // Rounds alternate and the best of each is kept, so that a neighbour's load on a shared
    // machine does not count against one side only.
    Run best[3];
    const std::vector<std::string> commands[3] = {{gammu}, {pdu, "decode", "--count", "-"}, {pdu, "decode", "-"}};
    for (int round = 0; round < rounds; ++round)
        for (int k = 0; k < 3; ++k) {
            const Run run = Time(commands[k], file, k == 2 ? "/dev/null" : counted);
            if (run.status != 0) {
                std::fprintf(stderr, "%s exited with %d\n", commands[k][0].c_str(), run.status);
                return 1;
            }
            if (round == 0 || run.seconds < best[k].seconds)
                best[k] = run;
        }
    const std::string expected = "decoded " + std::to_string(lines) + ", failed 0";
    if (best[0].output != expected || best[1].output != expected) {
        std::fprintf(stderr, "the counts differ: gammu \"%s\", parlowen-pdu \"%s\"\n", best[0].output.c_str(),
                     best[1].output.c_str());
        return 1;
    }
    const double perSecond[3] = {lines / best[0].seconds, lines / best[1].seconds, lines / best[2].seconds};
    std::printf("%ld PDUs in %s, best of %d rounds, whole processes\n", lines, file.c_str(), rounds);
    std::printf("libgammu program:             %7.3f s %10.0f lines/s\n", best[0].seconds, perSecond[0]);
    std::printf("parlowen-pdu decode --count -: %7.3f s %10.0f lines/s\n", best[1].seconds, perSecond[1]);
    std::printf("parlowen-pdu decode - (JSON):  %7.3f s %10.0f lines/s\n", best[2].seconds, perSecond[2]);
    const double ratio = best[0].seconds / best[1].seconds;
    std::printf("--count against libgammu: %.2fx faster (target at least 3.00) %s\n", ratio,
                ratio >= 3 ? "MET" : "BELOW TARGET");
    std::printf("JSON: %.0f lines/s (target at least 500000) %s\n", perSecond[2],
                perSecond[2] >= 500000 ? "MET" : "BELOW TARGET");
    std::remove(counted.c_str());
    return 0;
}
