# The two entry points for a fresh Debian 12 machine: `make run` and
# `make test`. Both install what is missing first.
.PHONY: run test deps build build-asan deb pot bench coverage fuzz clean

BUILD ?= build
ASAN_BUILD ?= build-asan

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEMBREL_WERROR=ON >/dev/null
	@cmake --build $(BUILD)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEMBREL_SANITIZE=ON -DTEMBREL_WERROR=ON >/dev/null
	@cmake --build $(ASAN_BUILD)

run: build
	@if [ -x $(BUILD)/tembrel ]; then exec ./$(BUILD)/tembrel examples/demo.tbp; \
	else echo "Built: $$(ls $(BUILD)/*.a 2>/dev/null | tr '\n' ' ')"; fi

test: deps
	@bash scripts/run-tests.sh

# The Debian package of the normal build: $(BUILD)/tembrel_<version>_<arch>.deb.
# The user guide's pictures are taken from the real window first.
deb: build
	@ctest --test-dir $(BUILD) -R '^e2e_guide_screenshots$$' --output-on-failure
	@cd $(BUILD) && cpack -G DEB

# Collects the marked texts into po/tembrel.pot for translators.
pot: build
	@cmake --build $(BUILD) --target pot

bench: build
	@bash scripts/run-benchmarks.sh

coverage: deps
	@bash scripts/coverage.sh

# Runs every libFuzzer target for FUZZ_TIME seconds (default 300).
FUZZ_TIME ?= 300
fuzz: deps
	@FUZZ_TIME=$(FUZZ_TIME) bash scripts/run-extra-tests.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-*
