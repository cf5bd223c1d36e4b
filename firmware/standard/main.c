/* A small application for the standard board: blinks the status LED and
 * pulses the finger servo output between its idle and push positions. */
#include <stdint.h>

#define GPIO_DIR (*(volatile uint32_t *)0x50008000u)
#define GPIO_DATA (*(volatile uint32_t *)0x50003FFCu)
#define LED_BIT (1u << 7)
#define SERVO_BIT (1u << 2)

#define SYST_CSR (*(volatile uint32_t *)0xE000E010u)
#define SYST_RVR (*(volatile uint32_t *)0xE000E014u)
#define SYST_CVR (*(volatile uint32_t *)0xE000E018u)

/* Busy-waits `us` microseconds on the system timer at 12 MHz. */
static void wait_us(uint32_t us) {
  while (us > 0) {
    uint32_t chunk = us > 1000u ? 1000u : us;
    SYST_RVR = chunk * 12u - 1u;
    SYST_CVR = 0;
    SYST_CSR = 5u;
    while ((SYST_CSR & (1u << 16)) == 0) {
    }
    SYST_CSR = 0;
    us -= chunk;
  }
}

/* One 20 ms servo frame with a pulse of `width_us`. */
static void servo_frame(uint32_t width_us) {
  GPIO_DATA |= SERVO_BIT;
  wait_us(width_us);
  GPIO_DATA &= ~SERVO_BIT;
  wait_us(20000u - width_us);
}

void app_main(void) {
  GPIO_DIR |= LED_BIT | SERVO_BIT;
  uint32_t frame = 0;
  for (;;) {
    const uint32_t phase = (frame >> 6) & 1u; /* about 1.3 s per LED state */
    if (phase) {
      GPIO_DATA |= LED_BIT;
    } else {
      GPIO_DATA &= ~LED_BIT;
    }
    servo_frame(phase ? 1900u : 1100u);
    ++frame;
  }
}
