// The status line of long loops: on standard error when it is a terminal,
// rewritten in place at most four times a second once the loop has run for a
// second (step i of n, time spent, time left, and the energy or the distance
// when the loop knows it). It is erased before anything else is written, and drawn again at the
// next tick.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class Progression {
public:
    // nom: the command ("RELAX"); total: its steps; valeur, when given,
    // returns the value the loop already knows, shown after its name
    // `grandeur` (called on this thread while drawing, at most four times a
    // second).
    Progression(std::string nom, long long total, double (*valeur)() = nullptr, const char* grandeur = "énergie");
    ~Progression();  // erases the line
    Progression(const Progression&) = delete;
    Progression& operator=(const Progression&) = delete;

    // After step `fait` (1 .. total): one relaxed load, unless a line is due.
    void Avancer(long long fait) {
        if (du_.load(std::memory_order_relaxed)) Afficher(fait);
    }

    // The status text for `fait` steps after `ms` milliseconds, with
    // `grandeur` and its value unless grandeur is nullptr (tests).
    static std::string Texte(const std::string& nom, long long fait, long long total, long long ms,
                             const char* grandeur, double valeur);

private:
    void Afficher(long long fait);
    void Battre();

    std::string nom_;
    long long total_;
    double (*valeur_)();
    const char* grandeur_;
    long long debut_;
    std::atomic<bool> du_{false};
    std::mutex verrou_;
    std::condition_variable reveil_;
    bool fin_ = false;
    std::thread battement_;
};
