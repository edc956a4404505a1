// Debian's Chromium, headless, driven by playwright-core: no browser is downloaded, and the
// background services that would reach for the network are off.
import { chromium } from 'playwright-core';

export function launchChromium() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}
