# The two commands of the README: `make test` and `make demo`.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
DEMO_DIR ?= demo

.PHONY: all deps build build-asan test test-normal test-asan fuzz demo bench tidy tidy-check format format-check clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON -DTAMSEL_BENCHMARKS=OFF

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The fuzzers run first so that the test runs' summaries close the output.
test: format-check fuzz tidy-check test-normal test-asan

demo: build
	@scripts/demo.sh $(BUILD) $(DEMO_DIR)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

tidy: build
	run-clang-tidy-14 -p $(BUILD) -quiet '/(src|tools|fuzz|bench|driver)/'

# clang-tidy over every source of the build; any finding fails.
tidy-check: build
	@run-clang-tidy-14 -p $(BUILD) -quiet '/(src|tools|fuzz|bench|driver)/' > $(BUILD)/tidy.log 2>&1 \
	  || { sed 's/\x1b\[[0-9;]*m//g' $(BUILD)/tidy.log | grep -E 'warning:|error:' | sort -u; echo "tidy: findings above"; exit 1; }
	@echo "tidy: clean"

format:
	clang-format -i $$(git ls-files '*.c' '*.cpp' '*.h')

format-check: deps
	@clang-format --dry-run -Werror $$(git ls-files '*.c' '*.cpp' '*.h') && echo "format: clean"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
