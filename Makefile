# make run         build and start Korvane (without a display: generate the sample roster)
# make test        build and run the test suite
# make bench       run the generation benchmarks
# make package     build the Debian package build/korvane_*.deb
# make screenshots save a picture of every page in build/screenshots/
#
# All install the Debian packages they need on a fresh machine (as root, or
# through sudo), then configure and build with CMake.

BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n \
	libgtest-dev libsqlite3-dev fonts-wqy-microhei fonts-wqy-zenhei xvfb xauth poppler-utils sqlite3 \
	librsvg2-bin dpkg-dev file libxlsxwriter-dev qt6-charts-dev libqt6opengl6-dev \
	python3-openpyxl help2man postgresql libqt6sql6-psql libpq-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
BIN := $(BUILD)/bin

.PHONY: all deps configure build run test bench demo package screenshots clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# With a display: the desktop program on the working database of the data
# folder. Without one: the sample generated in a demo folder of the build.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BIN)/korvane; \
	else \
	  $(MAKE) --no-print-directory demo; \
	fi

demo: build
	@mkdir -p $(BUILD)/demo
	$(BIN)/korvane-cli --data-dir $(BUILD)/demo init --sample --force
	$(BIN)/korvane-cli --data-dir $(BUILD)/demo generate

# The search: both INRC-II instances at 10 s and 60 s, and the hospital year at 60 s.
bench: build
	$(BIN)/korvane-bench
	for instance in n005w4_0_1-2-3-3 n030w4_1_6-2-9-1; do for seconds in 10 60; do \
	  echo "$$instance, $$seconds s:"; \
	  $(BIN)/korvane-bench inrc2 bench/inrc2 $$instance --seconds $$seconds || exit 1; \
	done; done
	$(BIN)/korvane-bench search 60

package: build
	cd $(BUILD) && cpack

screenshots: build
	$(BIN)/korvane-screenshots $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)
