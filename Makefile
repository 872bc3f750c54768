# The project's commands. `make test` and `make demo` set up a fresh Debian 12
# machine by themselves (scripts/bootstrap installs what is missing).
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= 2

.PHONY: bootstrap build test test-sanitize demo bench install

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

test-sanitize: bootstrap
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKARVO_SANITIZE=ON >/dev/null
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j$(JOBS)

demo: build
	KARVO_MODULE_DIR=$(BUILD)/lua lua5.1 examples/demo.lua
	$(BUILD)/examples/styled_book /tmp/karvo_styled.xls

install: build
	cmake --install $(BUILD)
