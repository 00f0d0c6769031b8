# Set-up and everyday commands; see README.md.
BUILD      ?= build/release
ASAN_BUILD ?= build/asan
DEMO_DATA  ?= build/demo-data
JOBS       ?= $(shell nproc)
GENERATOR  := -G Ninja

.PHONY: run test deps build build-asan test-release test-asan bench perf demo-data clean

run: build demo-data
	$(BUILD)/src/app/Kivra_5x45 --data-dir $(DEMO_DATA)

test: deps
	$(MAKE) --no-print-directory test-release
	$(MAKE) --no-print-directory test-asan

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# Benchmarks write their JSON to build/bench/.
bench: build
	mkdir -p build/bench
	@for b in $(BUILD)/bench/bench_*; do \
		[ -x "$$b" ] || continue; \
		echo "== $$b"; \
		"$$b" --benchmark_out=build/bench/$$(basename $$b).json --benchmark_out_format=json || exit 1; \
	done

# The speed goals: runs the benchmarks they are measured by (JSON in build/bench/perf/), prints a
# table of goals and fails when one falls short. Not part of `make test`.
perf: build demo-data
	python3 scripts/perf_check.py $(BUILD) $(DEMO_DATA) --out build/bench/perf

# A demo data folder seeded from the synthetic archive in demo/ and an example stake cost and prize
# table (only once: the user's changes stay).
demo-data: build
	@if [ ! -f $(DEMO_DATA)/Kivra_5x45.ldr ]; then \
		mkdir -p $(DEMO_DATA) && \
		$(BUILD)/src/cli/kivra-cli --data-dir $(DEMO_DATA) import-csv demo/draws.csv; \
	fi
	@[ -f $(DEMO_DATA)/Kivra_5x45.ini ] || cp demo/Kivra_5x45.ini $(DEMO_DATA)/Kivra_5x45.ini

clean:
	rm -rf build
