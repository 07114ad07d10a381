// Reading and writing a network layout of 50 connections with 20 devices each, against a
// baseline that only walks the same bytes once (the least any reader must do).
#include "registers/tkxxmlparsercmp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

std::string LayoutText() {
    TkxXmlParser document;
    auto network = std::make_unique<TkxXmlElement>("modbus_network", "");
    for (int c = 0; c < 50; ++c) {
        auto* connection =
            network->AddChild(std::make_unique<TkxXmlElement>("modbus_connection", ""));
        connection->SetValue("setup", "threadname", "COM" + std::to_string(c));
        connection->SetValue("setup", "baudrate", "19200");
        connection->SetValue("setup", "hostname", "127.0.0.1");
        for (int d = 0; d < 20; ++d) {
            auto* device = connection->AddChild(std::make_unique<TkxXmlElement>("device", ""));
            device->SetValue("setup", "devicename", "Antrieb \xC4 " + std::to_string(d));
            device->SetValue("setup", "deviceaddr", std::to_string(d + 1));
            device->SetValue("setup", "repeattime", "5");
            device->SetValue("setup", "enabled", "true");
        }
    }
    document.AddRoot(std::move(network));
    return document.GetXmlText();
}

void BM_BaselineWalkBytes(benchmark::State& state) {
    const std::string text = LayoutText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::count(text.begin(), text.end(), '<'));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BaselineWalkBytes);

void BM_LoadLayout(benchmark::State& state) {
    const std::string text = LayoutText();
    TkxXmlParser document;
    for (auto _ : state) {
        benchmark::DoNotOptimize(document.LoadFromText(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadLayout);

void BM_WriteLayout(benchmark::State& state) {
    TkxXmlParser document;
    document.LoadFromText(LayoutText());
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = document.GetXmlText();
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_WriteLayout);

} // namespace
