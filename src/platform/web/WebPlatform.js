// The browser's half of the web platform (src/platform/web/WebPlatform.cpp): the
// canvas, waiting for events, WebAudio for the effects and the rendered tunes, and
// the error box. Runs inside the program's module, before it starts.
var ZolvexWeb = (function () {
  'use strict';
  var page = window.zolvexPage;
  var frameImage = null; // the last frame, 640 x 480, as the game drew it
  var frameCanvas = null; // the same, enlarged from when the page shows it larger
  var wakeUp = null;

  // Sound: effects on one channel, the music on another, both into a limiter that
  // gives back the headroom the levels keep.
  var audio = null;
  var audioWanted = false; // the page started the game with sound
  var pending = []; // what waits for the context
  var musicLevel = 1;
  var effectLevel = 1;
  var effectGain = null;
  var musicGain = null;
  var effects = {}; // id -> {buffer, failed}
  var effectWanted = 0; // the effect asked for last, started once decoded
  var effectSource = null;
  var beepBuffer = null;
  var tunes = {}; // handle -> {buffer, loopStart, loopEnd}
  var tune = null; // {handle, source, startedAt, offset, paused, wanted}

  function line(text) {
    console.error('zolvex: ' + text);
  }

  function copyBytes(pointer, size) {
    return HEAPU8.slice(pointer, pointer + size).buffer;
  }

  // The largest 4:3 picture that fits the page; whole multiples are drawn pixel
  // for pixel, a last fraction is smoothed by the browser.
  function fit() {
    var canvas = page.canvas;
    var ratio = window.devicePixelRatio || 1;
    var width = window.innerWidth * ratio;
    var height = window.innerHeight * ratio;
    var scale = Math.min(width / 640, height / 480);
    var whole = Math.max(1, Math.floor(scale));
    if (canvas.width !== 640 * whole) {
      canvas.width = 640 * whole;
      canvas.height = 480 * whole;
      draw();
    }
    var shownWidth = Math.floor(640 * scale) / ratio;
    canvas.style.width = shownWidth + 'px';
    canvas.style.height = (shownWidth * 3) / 4 + 'px';
    canvas.style.imageRendering = scale === whole ? 'pixelated' : 'auto';
  }

  // The page's canvas is opaque: the browser composes it without blending.
  function screenContext() {
    return page.canvas.getContext('2d', { alpha: false });
  }

  // At the frame's own size the frame goes straight onto the page's canvas; larger,
  // it is enlarged from a canvas of its own, pixel for pixel. `areas` ([x, y, w, h]
  // each) are what changed; null redraws it all.
  function draw(areas) {
    if (frameImage === null) return;
    var whole = [[0, 0, frameImage.width, frameImage.height]];
    var context = screenContext();
    if (page.canvas.width === frameImage.width && page.canvas.height === frameImage.height) {
      (areas || whole).forEach(function (a) {
        context.putImageData(frameImage, 0, 0, a[0], a[1], a[2], a[3]);
      });
      return;
    }
    if (frameCanvas === null || frameCanvas.width !== frameImage.width ||
        frameCanvas.height !== frameImage.height) {
      frameCanvas = document.createElement('canvas');
      frameCanvas.width = frameImage.width;
      frameCanvas.height = frameImage.height;
      areas = null;
    }
    var frameContext = frameCanvas.getContext('2d');
    (areas || whole).forEach(function (a) {
      frameContext.putImageData(frameImage, 0, 0, a[0], a[1], a[2], a[3]);
    });
    context.imageSmoothingEnabled = false;
    context.drawImage(frameCanvas, 0, 0, page.canvas.width, page.canvas.height);
  }

  function stopEffect() {
    if (effectSource !== null) {
      try {
        effectSource.stop();
      } catch (e) {}
      effectSource = null;
    }
  }

  function startEffect(buffer) {
    stopEffect();
    effectSource = audio.createBufferSource();
    effectSource.buffer = buffer;
    effectSource.connect(effectGain);
    effectSource.start();
  }

  // Where a tune playing since `startedAt` from `offset` is now, within its loop.
  function tunePosition(entry, startedAt, offset) {
    var at = offset + (audio.currentTime - startedAt);
    if (at < entry.loopEnd) return at;
    var loop = entry.loopEnd - entry.loopStart;
    return loop > 0 ? entry.loopStart + ((at - entry.loopEnd) % loop) : 0;
  }

  function startTune(handle, offset) {
    var entry = tunes[handle];
    stopTuneSource();
    tune = { handle: handle, source: null, startedAt: 0, offset: offset, paused: false };
    if (!entry || !entry.buffer) return; // starts once decoded
    var source = audio.createBufferSource();
    source.buffer = entry.buffer;
    source.loop = true;
    source.loopStart = entry.loopStart;
    source.loopEnd = entry.loopEnd;
    source.connect(musicGain);
    source.start(0, offset);
    tune.source = source;
    tune.startedAt = audio.currentTime;
  }

  function stopTuneSource() {
    if (tune !== null && tune.source !== null) {
      try {
        tune.source.stop();
      } catch (e) {}
      tune.source = null;
    }
  }

  // Makes the sound's path on `context` and does what waited for it.
  function useContext(context) {
    audio = context;
    var limiter = audio.createDynamicsCompressor();
    limiter.threshold.value = -1;
    limiter.knee.value = 0;
    limiter.ratio.value = 20;
    limiter.attack.value = 0.001;
    limiter.release.value = 0.05;
    var makeUp = audio.createGain();
    makeUp.gain.value = 2; // the 6 dB the levels keep back
    makeUp.connect(limiter);
    limiter.connect(audio.destination);
    effectGain = audio.createGain();
    musicGain = audio.createGain();
    effectGain.gain.value = effectLevel;
    musicGain.gain.value = musicLevel;
    effectGain.connect(makeUp);
    musicGain.connect(makeUp);
    if (audio.state === 'suspended') audio.resume();
    var waiting = pending;
    pending = [];
    waiting.forEach(function (work) {
      work();
    });
  }

  function makeContext() {
    if (audio !== null || !audioWanted) return;
    var Context = window.AudioContext || window.webkitAudioContext;
    try {
      useContext(new Context());
    } catch (e) {
      audioWanted = false;
      pending = [];
      line('cannot start the sound: ' + e.message);
    }
  }

  // Runs `work` once the sound's context exists.
  function withAudio(work) {
    if (audio !== null) {
      work();
    } else if (audioWanted) {
      pending.push(work);
    }
  }

  return {
    // Called by the page on the key that starts the game: browsers let a page make a
    // sound only after one. `context` is one the page made while it waited for the
    // key; without it one is made once the first frame is shown, as making it can
    // take a good part of a second (0.45 s in a headless browser here). Sounds and
    // tunes asked for meanwhile are decoded and started then.
    startAudio: function (context) {
      if (audio !== null) return;
      if (context) {
        audioWanted = true;
        useContext(context);
        return;
      }
      audioWanted = !!(window.AudioContext || window.webkitAudioContext);
    },
    audioAvailable: function () {
      return audioWanted;
    },

    showScreen: function () {
      window.addEventListener('resize', fit);
      fit();
    },
    present: function (pointer, width, height, areasPointer, count) {
      if (frameImage === null || frameImage.width !== width || frameImage.height !== height) {
        frameImage = new ImageData(width, height);
      }
      var areas = [];
      for (var i = 0; i < count; ++i) {
        var a = HEAP32.subarray((areasPointer >> 2) + 4 * i, (areasPointer >> 2) + 4 * i + 4);
        areas.push([a[0], a[1], a[2], a[3]]);
        for (var y = a[1]; y < a[1] + a[3]; ++y) {
          var from = pointer + (y * width + a[0]) * 4;
          frameImage.data.set(HEAPU8.subarray(from, from + a[2] * 4), (y * width + a[0]) * 4);
        }
      }
      draw(areas);
      page.framesPresented += 1;
      if (page.firstFrameMs === null) {
        page.firstFrameMs = performance.now();
        setTimeout(makeContext, 0);
      }
    },
    lastFrame: function () {
      return frameImage === null ? null : new Uint8Array(frameImage.data);
    },
    showCursor: function (show) {
      page.canvas.style.cursor = show ? 'auto' : 'none';
    },
    toggleFullscreen: function () {
      if (document.fullscreenElement) {
        document.exitFullscreen();
      } else if (page.canvas.parentElement.requestFullscreen) {
        page.canvas.parentElement.requestFullscreen().catch(function (e) {
          line('cannot show the game full screen: ' + e.message);
        });
      }
    },
    saveShownFrame: function () {
      if (frameImage === null) return;
      var shot = document.createElement('canvas');
      shot.width = frameImage.width;
      shot.height = frameImage.height;
      shot.getContext('2d').putImageData(frameImage, 0, 0);
      var now = new Date();
      var two = function (n) {
        return (n < 10 ? '0' : '') + n;
      };
      var name = 'zolvex-' + now.getFullYear() + '-' + two(now.getMonth() + 1) + '-' +
          two(now.getDate()) + '-' + two(now.getHours()) + two(now.getMinutes()) +
          two(now.getSeconds()) + '.png';
      shot.toBlob(function (blob) {
        var link = document.createElement('a');
        link.href = URL.createObjectURL(blob);
        link.download = name;
        link.click();
        setTimeout(function () {
          URL.revokeObjectURL(link.href);
        }, 1000);
        console.log('zolvex: screenshot saved as ' + name + ' (a download)');
      });
    },

    // Resolves after `milliseconds` (never while negative) or at the next wake().
    waitForEvents: function (milliseconds) {
      return new Promise(function (resolve) {
        var timer = null;
        wakeUp = function () {
          wakeUp = null;
          if (timer !== null) clearTimeout(timer);
          resolve();
        };
        if (milliseconds >= 0) timer = setTimeout(wakeUp, milliseconds);
      });
    },
    wake: function () {
      if (wakeUp !== null) wakeUp();
    },

    showErrorBox: function (caption, text, detail) {
      return page.showErrorBox(caption, text, detail);
    },

    playEffect: function (id, pointer, size) {
      var entry = effects[id];
      if (!entry) {
        entry = effects[id] = { buffer: null, failed: false };
        var bytes = copyBytes(pointer, size);
        withAudio(function () {
          audio.decodeAudioData(bytes).then(
            function (buffer) {
              entry.buffer = buffer;
              if (effectWanted === id) startEffect(buffer);
            },
            function (e) {
              entry.failed = true;
              line('cannot decode sound ' + id + ': ' + (e && e.message ? e.message : e));
            });
        });
      }
      // A sound asked for before the context existed is not played late.
      if (audio === null) return;
      effectWanted = id;
      if (entry.buffer !== null) startEffect(entry.buffer);
    },
    beep: function () {
      if (audio === null) return;
      if (beepBuffer === null) {
        var rate = audio.sampleRate;
        var frames = Math.floor(rate / 8);
        beepBuffer = audio.createBuffer(1, frames, rate);
        var samples = beepBuffer.getChannelData(0);
        for (var i = 0; i < frames; ++i) {
          var envelope = Math.min(1, Math.min(i, frames - i) / (rate * 0.005));
          samples[i] = Math.sin((2 * Math.PI * 880 * i) / rate) * 0.3 * envelope;
        }
      }
      effectWanted = 0;
      startEffect(beepBuffer);
    },
    setVolumes: function (music, effects) {
      musicLevel = music;
      effectLevel = effects;
      if (audio === null) return;
      musicGain.gain.value = music;
      effectGain.gain.value = effects;
    },

    loadTune: function (handle, pointer, size, loopStart, loopEnd) {
      var entry = tunes[handle] = { buffer: null, loopStart: loopStart, loopEnd: loopEnd };
      var bytes = copyBytes(pointer, size);
      withAudio(function () {
        audio.decodeAudioData(bytes).then(
          function (buffer) {
            entry.buffer = buffer;
            entry.loopEnd = Math.min(entry.loopEnd, buffer.duration);
            if (tune !== null && tune.handle === handle && !tune.paused && tune.source === null) {
              startTune(handle, tune.offset);
            }
          },
          function (e) {
            line('cannot decode tune ' + handle + ': ' + (e && e.message ? e.message : e));
          });
      });
    },
    playTune: function (handle) {
      startTune(handle, 0);
    },
    pauseTune: function () {
      if (tune === null || tune.paused) return;
      var entry = tunes[tune.handle];
      if (tune.source !== null && entry) {
        tune.offset = tunePosition(entry, tune.startedAt, tune.offset);
      }
      stopTuneSource();
      tune.paused = true;
    },
    resumeTune: function () {
      if (tune === null || !tune.paused) return tune !== null;
      startTune(tune.handle, tune.offset);
      return true;
    },
    stopTune: function () {
      stopTuneSource();
      tune = null;
    },
    freeTune: function (handle) {
      if (tune !== null && tune.handle === handle) {
        stopTuneSource();
        tune = null;
      }
      delete tunes[handle];
    },

    runEnded: function (code) {
      stopEffect();
      stopTuneSource();
      tune = null;
      page.runEnded(code);
    },
    verifyResult: function (json) {
      page.verifyResult = JSON.parse(json);
    },
  };
})();
