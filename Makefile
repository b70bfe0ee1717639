# Entry points for users and CI. Every target sets up what is missing first.
BUILD          ?= build
BUILD_SANITIZE ?= build-sanitize
BUILD_THREAD   ?= build-thread
BUILD_BENCH    ?= build-bench
BUILD_FUZZ     ?= build-fuzz
JOBS           ?= $(shell nproc)
CMAKE_FLAGS    ?=
PREFIX         ?= /usr/local
DESTDIR        ?=

# The tests that run batch jobs on several threads: the jobs, the shell front end (whose child
# processes are built with the same checks) and the platform scopes the workers use.
THREAD_TESTS   ?= test_platform test_jobs test_cli

.PHONY: all deps build run test install package test-sanitize test-thread bench fuzz format clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/quillomark

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

package: build
	cd $(BUILD) && cpack

test-sanitize: deps
	@cmake -S . -B $(BUILD_SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_SANITIZE) -j $(JOBS)
	cd $(BUILD_SANITIZE) && QT_QPA_PLATFORM=offscreen \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

test-thread: deps
	@cmake -S . -B $(BUILD_THREAD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_THREAD_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_THREAD) -j $(JOBS) --target quillomark-cli $(THREAD_TESTS)
	cd $(BUILD_THREAD) && for t in $(THREAD_TESTS); do \
	  QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1:exitcode=66 tests/$$t --gtest_brief=1 || exit 1; \
	done

bench: deps
	@cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DQUILLO_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS)
	@for b in $(BUILD_BENCH)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON -DQUILLO_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS)

format:
	@find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD_SANITIZE) $(BUILD_THREAD) $(BUILD_BENCH) $(BUILD_FUZZ)
