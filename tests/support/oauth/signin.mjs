// The user at the browser: opens the sign-in address the program gave, signs in at the tests'
// provider as LOGIN and agrees, then waits for the program's loopback page and prints its text.
// With --close the user closes the browser at the sign-in page instead.
// Usage: node signin.mjs URL LOGIN [--close]
import { chromium } from 'playwright-core';

const [url, login, option] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox'],
});
try {
  const page = await browser.newPage();
  await page.goto(url);
  await page.waitForSelector('input[name="login"]');
  if (option === '--close') {
    console.log('closed at the sign-in page');
  } else {
    await page.fill('input[name="login"]', login);
    await page.fill('input[name="password"]', 'any');
    await page.click('button[type="submit"]');
    await page.waitForSelector('button[type="submit"]', { state: 'attached' });
    // The consent page, when the provider asks for one.
    if (!page.url().startsWith('http://127.0.0.1:') || page.url().includes('/interaction/')) {
      await page.click('button[type="submit"]');
    }
    await page.waitForURL((u) => !u.href.includes('/interaction/') && !u.href.includes('/auth'),
      { timeout: 20000 });
    console.log(await page.textContent('body'));
  }
} finally {
  await browser.close();
}
