# Tunora: make run | make test | make build | make bench | make fuzz | make check-all | make install | make package
BUILD_DIR ?= build
FUZZ_DIR  ?= build-fuzz
ASAN_DIR  ?= build-asan
TSAN_DIR  ?= build-tsan
FUZZ_SECONDS ?= 20
JOBS      ?= $(shell nproc)
SAMPLES   := data/samples/traditional.abc
PREFIX    ?= /usr/local

.PHONY: deps configure build run test bench fuzz install package clean check-all check-asan check-tsan check-fuzz

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja: | deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/bin/tunora $(SAMPLES)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bin/bench_tunefile --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_abc_reader --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_play --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_midi_timing
	@command -v abc2midi >/dev/null && bench/midi_vs_abc2midi.sh $(BUILD_DIR)/bin/tunora-cli || echo "(install abcmidi for the side-by-side MIDI timing)"
	@$(BUILD_DIR)/bin/bench_draw --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_editor --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_tools --benchmark_min_time=0.5
	@$(BUILD_DIR)/bin/bench_search
	@$(BUILD_DIR)/bin/tools_corpus
	@$(BUILD_DIR)/bin/bench_gui_draw --benchmark_min_time=0.5
	@command -v abcm2ps >/dev/null && bench/render_vs_abcm2ps.sh $(BUILD_DIR)/bin/tunora-cli || echo "(install abcm2ps for the side-by-side rendering timing)"
	@bench/cli_list_timing.sh $(BUILD_DIR)/bin/tunora-cli
	@bench/music_search_vs_abcmatch.sh $(BUILD_DIR)/bin/tunora-cli
	@bench/compare $(BUILD_DIR)/bin/tunora-cli

fuzz:
	@scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTUNORA_FUZZ=ON \
	  -DTUNORA_TESTS=OFF -DTUNORA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@echo "Fuzz targets are in $(FUZZ_DIR)/bin (run one with a corpus folder, e.g. -max_total_time=60)"

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	@cd $(BUILD_DIR) && cpack -G DEB
	@ls $(BUILD_DIR)/*.deb

# The longer checks CI runs after `make test`: sanitizer builds and a short fuzz run.
check-all: check-asan check-tsan check-fuzz

# Engines and CLI with AddressSanitizer and UndefinedBehaviorSanitizer: the unit tests,
# then the CLI over ../shared/corpus.
check-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNORA_SANITIZE=address,undefined \
	  -DTUNORA_GUI=OFF -DTUNORA_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS) --target tunora_tests tunora-cli tunora-cli-media
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan.supp print_suppressions=0" \
	  UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen bin/tunora_tests --gtest_brief=1
	@LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan.supp print_suppressions=0" scripts/cli-over-corpus $(ASAN_DIR)/bin/tunora-cli ../shared/corpus

# The MIDI library, the player feeder and MIDI files in bulk with ThreadSanitizer.
check-tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNORA_SANITIZE=thread \
	  -DTUNORA_GUI=OFF -DTUNORA_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target tunora_midi_tests tunora-cli
	@TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" $(TSAN_DIR)/bin/tunora_midi_tests --gtest_brief=1
	@# MIDI files in bulk: one thread reads while others build and write, names repeat.
	@tmp=$$(mktemp -d) && for i in 1 2 3 4 5 6 7 8 9 10; do cat $(SAMPLES) >> $$tmp/many.abc; done && \
	  TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  $(TSAN_DIR)/bin/tunora-cli midi $$tmp/many.abc --all -o $$tmp/out && rm -rf $$tmp

# Every libFuzzer target for FUZZ_SECONDS on a corpus seeded from the tests and ../shared/corpus.
check-fuzz: fuzz
	@scripts/fuzz-run $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR)
